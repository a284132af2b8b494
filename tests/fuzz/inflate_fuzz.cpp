// Any bytes given to the inflater and its envelopes end in a result code: never a crash,
// never a read or write outside the buffers. A stream that measures as whole decodes the
// same way into a buffer of that size and into one of half the size. The same bytes, as
// plain data, must come back unchanged through the compressor at every level.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "runtime/codec/deflate.h"

using namespace zel::deflate;

namespace {

// Outputs above this are only measured: a small input can claim a thousand times its size.
constexpr std::size_t largest_output = 1 << 22;

void require(bool condition) {
    if (!condition) std::abort();
}

void decode(Result (*codec)(Source, Destination), Source in, bool exact) {
    const Result measured = codec(in, {});
    if (measured.status != Status::ok && measured.status != Status::too_small) return;
    if (measured.size > largest_output) return;
    std::vector<std::uint8_t> out(measured.size);
    const Result full = codec(in, out);
    std::vector<std::uint8_t> half(measured.size / 2);
    const Result part = codec(in, half);
    // The envelopes check their trailers only once the output fits.
    if (!exact && full.status != Status::ok) return;
    require(full.status == Status::ok && full.size == measured.size);
    require(half.size() == measured.size ? part.status == Status::ok : part.status == Status::too_small);
    require(part.size == measured.size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Source in(data, size);
    decode(inflate, in, true);
    decode(zlib_unwrap, in, false);
    decode(gunzip, in, false);

    const int level = size ? data[0] % 10 : default_level;
    std::vector<std::uint8_t> packed(gzip(in, {}, level).size);
    require(gzip(in, packed, level).status == Status::ok);
    std::vector<std::uint8_t> back(size);
    const Result r = gunzip(packed, back);
    require(r.status == Status::ok && r.size == size && back == std::vector<std::uint8_t>(data, data + size));
    return 0;
}
