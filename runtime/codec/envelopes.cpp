// The zlib and gzip envelopes around raw DEFLATE data. Wrapping writes the header, the
// compressed data right after it and the trailer, all through the same counting rule as
// the compressor: the result's size is the whole envelope's, whatever the capacity.
#include "runtime/codec/checksum.h"
#include "runtime/codec/deflate.h"
#include "runtime/codec/little-endian.h"

namespace zel::deflate {
namespace {

using codec::load_le32;

constexpr std::size_t zlib_header = 2, zlib_trailer = 4;
constexpr std::size_t gzip_header = 10, gzip_trailer = 8;

enum GzipFlag : std::uint8_t { text = 1, header_crc = 2, extra = 4, name = 8, comment = 16 };

// Writes bytes at `at` as far as the destination goes.
void put(Destination d, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) {
        if (at < d.size()) d[at] = b;
        ++at;
    }
}

void put_le32(Destination d, std::size_t at, std::uint32_t v) {
    put(d, at, {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
                static_cast<std::uint8_t>(v >> 24)});
}

Destination after(Destination d, std::size_t offset) { return offset < d.size() ? d.subspan(offset) : Destination{}; }

Result sized(std::size_t size, Destination d) { return {size > d.size() ? Status::too_small : Status::ok, size}; }

}  // namespace

Result zlib_wrap(Source source, Destination destination, int level) {
    // FLEVEL stays 0 whatever the level: it only informs, and decoders ignore it.
    put(destination, 0, {0x78, 0x01});
    const Result body = compress(source, after(destination, zlib_header), level);
    const std::size_t end = zlib_header + body.size;
    const std::uint32_t adler = checksum::adler32(source);
    put(destination, end, {static_cast<std::uint8_t>(adler >> 24), static_cast<std::uint8_t>(adler >> 16),
                           static_cast<std::uint8_t>(adler >> 8), static_cast<std::uint8_t>(adler)});
    return sized(end + zlib_trailer, destination);
}

Result zlib_unwrap(Source source, Destination destination) {
    if (source.size() < zlib_header + zlib_trailer) return {Status::corrupt, 0};
    const std::uint8_t cmf = source[0], flg = source[1];
    if ((cmf * 256u + flg) % 31 != 0 || (cmf & 0x0F) != 8 || (cmf >> 4) > 7 || (flg & 0x20)) return {Status::corrupt, 0};
    const Result body = inflate(source.subspan(zlib_header, source.size() - zlib_header - zlib_trailer), destination);
    if (body.status != Status::ok) return body;
    const std::uint8_t* t = source.data() + source.size() - zlib_trailer;
    const std::uint32_t expected = std::uint32_t{t[0]} << 24 | std::uint32_t{t[1]} << 16 | std::uint32_t{t[2]} << 8 | t[3];
    if (checksum::adler32(destination.first(body.size)) != expected) return {Status::corrupt, body.size};
    return body;
}

Result gzip(Source source, Destination destination, int level) {
    put(destination, 0, {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3});
    const Result body = compress(source, after(destination, gzip_header), level);
    const std::size_t end = gzip_header + body.size;
    put_le32(destination, end, checksum::crc32(source));
    put_le32(destination, end + 4, static_cast<std::uint32_t>(source.size()));
    return sized(end + gzip_trailer, destination);
}

Result gunzip(Source source, Destination destination) {
    const std::size_t n = source.size();
    if (n < gzip_header + gzip_trailer || source[0] != 0x1F || source[1] != 0x8B || source[2] != 8 || source[3] >= 32)
        return {Status::corrupt, 0};
    const std::uint8_t flags = source[3];
    const std::size_t body_end = n - gzip_trailer;
    std::size_t at = gzip_header;
    if (flags & extra) {
        if (at + 2 > body_end) return {Status::corrupt, 0};
        at += 2 + (std::size_t{source[at]} | std::size_t{source[at + 1]} << 8);
    }
    for (GzipFlag text_field : {name, comment}) {
        if (!(flags & text_field)) continue;
        while (at < body_end && source[at] != 0) ++at;
        ++at;
    }
    if (flags & header_crc) {
        if (at + 2 > body_end) return {Status::corrupt, 0};
        const std::uint32_t crc = checksum::crc32(source.first(at)) & 0xFFFF;
        if (crc != (std::uint32_t{source[at]} | std::uint32_t{source[at + 1]} << 8)) return {Status::corrupt, 0};
        at += 2;
    }
    if (at > body_end) return {Status::corrupt, 0};
    const Result body = inflate(source.subspan(at, body_end - at), destination);
    if (body.status != Status::ok && body.status != Status::too_small) return body;
    const std::uint8_t* trailer = source.data() + body_end;
    if (static_cast<std::uint32_t>(body.size) != load_le32(trailer + 4)) return {Status::corrupt, body.size};
    if (body.status == Status::ok && checksum::crc32(destination.first(body.size)) != load_le32(trailer))
        return {Status::corrupt, body.size};
    return body;
}

}  // namespace zel::deflate
