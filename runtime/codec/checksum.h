// Checksums and digests over byte spans: CRC-32 (ISO-HDLC, as gzip and PNG use it),
// Adler-32 (RFC 1950), the internet checksum (RFC 1071), MD5 and the SHA family through
// OpenSSL's libcrypto, and HMAC (RFC 2104) built here over those digests. Nothing here
// allocates cells; a digest failure is reported, never turned into a wrong value.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace zel::checksum {

using Bytes = std::span<const std::uint8_t>;

// `crc` continues an earlier CRC over the bytes before these (0 to start).
std::uint32_t crc32(Bytes data, std::uint32_t crc = 0);
// `adler` continues an earlier Adler-32 over the bytes before these (1 to start).
std::uint32_t adler32(Bytes data, std::uint32_t adler = 1);
// Big-endian 16-bit words, an odd last byte in the high half, summed without overflow.
std::uint16_t tcp(Bytes data);

enum class DigestMethod : std::uint8_t { md5, sha1, sha256, sha384, sha512 };

struct Digest {
    std::array<std::uint8_t, 64> bytes{};
    std::size_t size = 0;
    Bytes view() const { return {bytes.data(), size}; }
};

std::size_t digest_size(DigestMethod method);
// The input block size of the method's compression function, which HMAC pads keys to.
std::size_t block_size(DigestMethod method);

// Empty when libcrypto fails or is not installed.
std::optional<Digest> digest(Bytes data, DigestMethod method);
std::optional<Digest> hmac(Bytes data, Bytes key, DigestMethod method);

}  // namespace zel::checksum
