#include "runtime/hash/murmur3.h"

#include <cstring>

namespace zel::murmur3 {
namespace {

constexpr std::uint32_t c1 = 0xCC9E2D51u;
constexpr std::uint32_t c2 = 0x1B873593u;

constexpr std::uint32_t rotl(std::uint32_t x, int r) { return (x << r) | (x >> (32 - r)); }

constexpr std::uint32_t scramble(std::uint32_t k) { return rotl(k * c1, 15) * c2; }

}  // namespace

std::uint32_t hash(const void* data, std::size_t length, std::uint32_t seed) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    const std::size_t blocks = length / 4;
    std::uint32_t h = seed;

    for (std::size_t i = 0; i < blocks; ++i) {
        std::uint32_t k;
        std::memcpy(&k, bytes + i * 4, 4);  // little-endian blocks, any alignment
        h ^= scramble(k);
        h = rotl(h, 13) * 5 + 0xE6546B64u;
    }

    const unsigned char* tail = bytes + blocks * 4;
    std::uint32_t k = 0;
    switch (length & 3) {
    case 3:
        k ^= std::uint32_t{tail[2]} << 16;
        [[fallthrough]];
    case 2:
        k ^= std::uint32_t{tail[1]} << 8;
        [[fallthrough]];
    case 1:
        k ^= tail[0];
        h ^= scramble(k);
    }

    h ^= static_cast<std::uint32_t>(length);
    return fmix32(h);
}

}  // namespace zel::murmur3
