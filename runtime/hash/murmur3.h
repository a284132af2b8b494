// MurmurHash3, x86 32-bit variant, and its finaliser: the key hash of every hash table.
// Hashes live only in the tables of one process, never saved, so the process-wide seed may
// be any fixed value.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zel::murmur3 {

std::uint32_t hash(const void* data, std::size_t length, std::uint32_t seed);

// The 32-bit finaliser: spreads every input bit over the whole word.
constexpr std::uint32_t fmix32(std::uint32_t h) {
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

}  // namespace zel::murmur3
