// DEFLATE (RFC 1951) and its zlib (RFC 1950) and gzip (RFC 1952) envelopes, between
// caller-supplied buffers. Every routine takes the whole source and a destination of any
// capacity (empty to measure): it writes only inside the destination but goes on counting,
// and the result's size is what the complete output needs. So a caller sizes its buffer
// with one run and fills it with a second, and never allocates more than the data gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zel::deflate {

enum class Status : std::uint8_t {
    ok,
    too_small,           // the destination is shorter than `size`
    corrupt,             // bad header, envelope, code set, checksum, length or trailing bytes
    stored_past_input,   // a stored block longer than the data left
    bad_block_type,      // block type 3
    distance_too_far,    // a match reaching before the start of the output
};

struct Result {
    Status status;
    std::size_t size;  // bytes the whole output needs (when corrupt: produced so far)
};

using Source = std::span<const std::uint8_t>;
using Destination = std::span<std::uint8_t>;

// Level 0 stores; 1-3 take the first good match; 4-9 defer each match by one byte when the
// next one is longer, searching longer chains as the level grows.
constexpr int default_level = 6;

// The most a DEFLATE stream of `compressed` bytes can expand to (a 258-byte match takes two
// bits at the least): the ceiling for a buffer sized from a size the data only claims.
constexpr std::size_t largest_output(std::size_t compressed) { return compressed * 1032; }

Result compress(Source source, Destination destination, int level = default_level);
Result inflate(Source source, Destination destination);

Result zlib_wrap(Source source, Destination destination, int level = default_level);
Result zlib_unwrap(Source source, Destination destination);
Result gzip(Source source, Destination destination, int level = default_level);
// One gzip member. Its trailer's size must match the data, but only sizes nothing: the
// output is measured by decoding.
Result gunzip(Source source, Destination destination);

}  // namespace zel::deflate
