#include <gtest/gtest.h>

#include <cstring>

#include "runtime/hash/murmur3.h"

using zel::murmur3::hash;

TEST(Murmur3, PublishedVectors) {
    struct Row { const char* text; std::uint32_t seed; std::uint32_t expected; };
    const Row rows[] = {
        {"", 0, 0},
        {"", 1, 0x514E28B7u},
        {"", 0xFFFFFFFFu, 0x81F16F39u},
        {"hello", 0, 0x248BFA47u},
        {"Hello, world!", 1234, 0xFAF6CDB3u},
        {"The quick brown fox jumps over the lazy dog", 0x9747B28Cu, 0x2FA826CDu},
        {"abc", 0, 0xB3DD93FAu},
        {"abcd", 0x9747B28Cu, 0xF0478627u},
    };
    for (const Row& r : rows)
        EXPECT_EQ(hash(r.text, std::strlen(r.text), r.seed), r.expected) << '"' << r.text << '"';
}

// The verification value of the hash test suite: hash keys {0}, {0,1}, ... {0..254} with
// seed 256 - length, hash the concatenated 32-bit results with seed 0.
TEST(Murmur3, VerificationValue) {
    unsigned char key[256];
    unsigned char hashes[256 * 4];
    for (std::uint32_t i = 0; i < 256; ++i) {
        key[i] = static_cast<unsigned char>(i);
        std::uint32_t h = hash(key, i, 256 - i);
        std::memcpy(hashes + i * 4, &h, 4);
    }
    EXPECT_EQ(hash(hashes, sizeof hashes, 0), 0xB0F57EE3u);
}

TEST(Murmur3, UnalignedInputHashesLikeAligned) {
    alignas(8) char buffer[40] = {};
    const char* text = "unaligned keys hash the same";
    std::memcpy(buffer + 1, text, std::strlen(text));
    EXPECT_EQ(hash(buffer + 1, std::strlen(text), 7), hash(text, std::strlen(text), 7));
}
