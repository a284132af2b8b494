#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/codec/checksum.h"
#include "runtime/codec/crypto-library.h"
#include "tests/unit/codec-samples.h"

using namespace zel::checksum;

namespace {

struct SumRow {
    const char* data;
    std::size_t size;
    std::uint32_t crc, adler;
};
struct DigestRow {
    DigestMethod method;
    const char* data;
    std::size_t size;
    const char* key;
    std::size_t key_size;
    const char* hex;
};
#include "tests/unit/codec-vectors.inc"

Bytes bytes(const char* p, std::size_t n) { return {reinterpret_cast<const std::uint8_t*>(p), n}; }

std::string hex(Bytes b) {
    std::string s;
    char two[3];
    for (std::uint8_t x : b) {
        std::snprintf(two, sizeof two, "%02x", x);
        s += two;
    }
    return s;
}

}  // namespace

TEST(Checksum, CrcAndAdlerMatchZlib) {
    for (const SumRow& r : sum_rows) {
        EXPECT_EQ(crc32(bytes(r.data, r.size)), r.crc) << r.data;
        EXPECT_EQ(adler32(bytes(r.data, r.size)), r.adler) << r.data;
    }
    // Long inputs: the eight-byte CRC steps with an odd tail, and Adler sums past many
    // reductions, highest with all bytes 0xFF.
    const auto text = codec_samples::text(1000003);
    EXPECT_EQ(crc32(text), text_1000003_crc);
    EXPECT_EQ(adler32(text), text_1000003_adler);
    const std::vector<std::uint8_t> ones(1000003, 0xFF);
    EXPECT_EQ(crc32(ones), ff_1000003_crc);
    EXPECT_EQ(adler32(ones), ff_1000003_adler);
}

TEST(Checksum, CrcAndAdlerContinueAcrossPieces) {
    const auto text = codec_samples::text(100001);
    const Bytes all(text);
    for (std::size_t cut : {0u, 1u, 7u, 5552u, 5553u, 65536u, 100001u}) {
        EXPECT_EQ(crc32(all.subspan(cut), crc32(all.first(cut))), crc32(all)) << cut;
        EXPECT_EQ(adler32(all.subspan(cut), adler32(all.first(cut))), adler32(all)) << cut;
    }
}

TEST(Checksum, TcpFollowsRfc1071) {
    struct Row { std::vector<std::uint8_t> data; std::uint16_t expected; };
    const Row rows[] = {
        {{0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7}, 0x220D},  // the RFC's example
        {{}, 0xFFFF},
        {{0x01}, 0xFEFF},  // an odd last byte is the high half of a word
        {{0x00, 0x01, 0xF2}, 0x0DFE},
        {{0xFF, 0xFF}, 0x0000},
    };
    for (const Row& r : rows) EXPECT_EQ(tcp(r.data), r.expected);
    // Far more high words than a 32-bit sum holds: the carries still fold in (python3's
    // folding of 2^19 words 0xFEFE gives 0x0808).
    const std::vector<std::uint8_t> high(1 << 20, 0xFE);
    EXPECT_EQ(tcp(high), 0x0808);
}

TEST(Checksum, DigestsAndHmacsMatchHashlib) {
    for (const DigestRow& r : digest_rows) {
        const auto d = r.key_size ? hmac(bytes(r.data, r.size), bytes(r.key, r.key_size), r.method)
                                  : digest(bytes(r.data, r.size), r.method);
        ASSERT_TRUE(d);
        EXPECT_EQ(d->size, digest_size(r.method));
        EXPECT_EQ(hex(d->view()), r.hex) << r.data << " key size " << r.key_size;
    }
    const auto text = codec_samples::text(1000003);
    const DigestMethod methods[] = {DigestMethod::md5, DigestMethod::sha1, DigestMethod::sha256, DigestMethod::sha384,
                                    DigestMethod::sha512};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(hex(digest(text, methods[i])->view()), text_1000003_digests[i]);
}

// libcrypto is opened on the first digest: a library that is not there, or that lacks an
// entry, is refused whole rather than half-loaded.
TEST(Checksum, DigestLibraryOpensWholeOrNotAtAll) {
    EXPECT_FALSE(zel::crypto::open("libcrypto.so.no-such-version"));
    EXPECT_FALSE(zel::crypto::open("libz.so.1"));  // a library without the digest entries
    ASSERT_NE(zel::crypto::library(), nullptr);
    EXPECT_EQ(zel::crypto::library(), zel::crypto::library());
}
