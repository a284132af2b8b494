#include "runtime/codec/checksum.h"

#include <memory>

#include "runtime/codec/crypto-library.h"
#include "runtime/codec/little-endian.h"

namespace zel::checksum {
namespace {

using codec::load_le32;

// Eight tables: table[k][b] is the CRC of byte b followed by k zero bytes, so eight input
// bytes fold into the CRC with eight independent look-ups.
struct CrcTables {
    std::uint32_t t[8][256];
    constexpr CrcTables() : t{} {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            t[0][i] = c;
        }
        for (std::uint32_t i = 0; i < 256; ++i)
            for (int k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

constexpr CrcTables crc_tables;

const EVP_MD* evp_method(const crypto::Library& lib, DigestMethod method) {
    switch (method) {
    case DigestMethod::md5: return lib.md5();
    case DigestMethod::sha1: return lib.sha1();
    case DigestMethod::sha256: return lib.sha256();
    case DigestMethod::sha384: return lib.sha384();
    case DigestMethod::sha512: return lib.sha512();
    }
    return nullptr;
}

// The digest of the concatenated parts; HMAC hashes a pad followed by its text.
std::optional<Digest> digest_parts(std::initializer_list<Bytes> parts, DigestMethod method) {
    const crypto::Library* lib = crypto::library();
    if (!lib) return std::nullopt;
    const EVP_MD* md = evp_method(*lib, method);
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context(lib->ctx_new(), lib->ctx_free);
    if (!md || !context || lib->digest_init(context.get(), md, nullptr) != 1) return std::nullopt;
    for (Bytes part : parts)
        if (lib->digest_update(context.get(), part.data(), part.size()) != 1) return std::nullopt;
    Digest d;
    unsigned int size = 0;
    if (lib->digest_final(context.get(), d.bytes.data(), &size) != 1 || size != digest_size(method))
        return std::nullopt;
    d.size = size;
    return d;
}

}  // namespace

std::uint32_t crc32(Bytes data, std::uint32_t crc) {
    const auto& t = crc_tables.t;
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    crc = ~crc;
    for (; n >= 8; n -= 8, p += 8) {
        std::uint32_t lo = load_le32(p) ^ crc;
        std::uint32_t hi = load_le32(p + 4);
        crc = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
              t[3][hi & 0xFF] ^ t[2][(hi >> 8) & 0xFF] ^ t[1][(hi >> 16) & 0xFF] ^ t[0][hi >> 24];
    }
    for (; n > 0; --n, ++p) crc = (crc >> 8) ^ t[0][(crc ^ *p) & 0xFF];
    return ~crc;
}

std::uint32_t adler32(Bytes data, std::uint32_t adler) {
    // 5552 bytes is the longest run whose sums cannot overflow 32 bits before the reduction.
    constexpr std::uint32_t modulus = 65521;
    constexpr std::size_t run = 5552;
    std::uint32_t a = adler & 0xFFFF, b = adler >> 16;
    const std::uint8_t* p = data.data();
    std::size_t n = data.size();
    while (n > 0) {
        std::size_t k = n < run ? n : run;
        n -= k;
        for (; k > 0; --k) {
            a += *p++;
            b += a;
        }
        a %= modulus;
        b %= modulus;
    }
    return b << 16 | a;
}

std::uint16_t tcp(Bytes data) {
    std::uint64_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < data.size(); i += 2) sum += std::uint32_t{data[i]} << 8 | data[i + 1];
    if (i < data.size()) sum += std::uint32_t{data[i]} << 8;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::size_t digest_size(DigestMethod method) {
    switch (method) {
    case DigestMethod::md5: return 16;
    case DigestMethod::sha1: return 20;
    case DigestMethod::sha256: return 32;
    case DigestMethod::sha384: return 48;
    case DigestMethod::sha512: return 64;
    }
    return 0;
}

std::size_t block_size(DigestMethod method) {
    return method == DigestMethod::sha384 || method == DigestMethod::sha512 ? 128 : 64;
}

std::optional<Digest> digest(Bytes data, DigestMethod method) { return digest_parts({data}, method); }

std::optional<Digest> hmac(Bytes data, Bytes key, DigestMethod method) {
    const std::size_t block = block_size(method);
    std::optional<Digest> hashed_key;
    if (key.size() > block) {
        hashed_key = digest(key, method);
        if (!hashed_key) return std::nullopt;
        key = hashed_key->view();
    }
    std::array<std::uint8_t, 128> inner_pad{}, outer_pad{};
    for (std::size_t i = 0; i < block; ++i) {
        std::uint8_t k = i < key.size() ? key[i] : 0;
        inner_pad[i] = k ^ 0x36;
        outer_pad[i] = k ^ 0x5C;
    }
    std::optional<Digest> inner = digest_parts({Bytes(inner_pad.data(), block), data}, method);
    if (!inner) return std::nullopt;
    return digest_parts({Bytes(outer_pad.data(), block), inner->view()}, method);
}

}  // namespace zel::checksum
