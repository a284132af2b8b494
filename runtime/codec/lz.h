// The runtime's own block compression: an LZ77 format of literal and match items in a
// least-significant-bit-first stream, cut into independent chunks of at most 1 MiB, behind
// an 8-byte header (payload size, uncompressed size; little-endian). Decompression trusts
// no field: the declared size is checked against what the payload could possibly produce
// before anything is allocated, and against what it does produce after.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zel::lz {

constexpr std::size_t min_source = 128;
constexpr std::size_t chunk_size = 1 << 20;

// The block, or nothing when the source is shorter than min_source or the block would not
// be shorter than the source.
std::optional<std::vector<std::uint8_t>> compress(std::span<const std::uint8_t> source);
// The expanded data, or nothing when the block is corrupt.
std::optional<std::vector<std::uint8_t>> decompress(std::span<const std::uint8_t> block);

}  // namespace zel::lz
