#include "runtime/codec/image-codecs.h"

#include <cstring>

namespace zel::image_codec {

// Per-format encoders, each in its format's file.
std::optional<std::vector<u8>> encode_bmp(const u8* bgra, u32 width, u32 height);
std::optional<std::vector<u8>> encode_png(const u8* bgra, u32 width, u32 height);
std::optional<std::vector<u8>> encode_gif(const u8* bgra, u32 width, u32 height);
std::optional<std::vector<u8>> encode_jpeg(const u8* bgra, u32 width, u32 height);
std::optional<std::vector<u8>> encode_tiff(const u8* bgra, u32 width, u32 height);

Allocation allocate(u32 width, u32 height) {
    Allocation a;
    if (width == 0 || height == 0 || width > max_side || height > max_side || u64{width} * height > max_pixels)
        return a;
    u8* p = static_cast<u8*>(std::calloc(u64{width} * height, 4));
    if (!p) {
        a.failure = Failure::no_memory;
        return a;
    }
    a.bitmap.emplace();
    a.bitmap->width = width;
    a.bitmap->height = height;
    a.bitmap->pixels.reset(p);
    return a;
}

std::optional<Format> sniff(std::span<const u8> b) {
    auto starts = [&](std::initializer_list<u8> sig) {
        return b.size() >= sig.size() && std::memcmp(b.data(), sig.begin(), sig.size()) == 0;
    };
    if (starts({0x89, 'P', 'N', 'G'})) return Format::png;
    if (starts({0xFF, 0xD8, 0xFF})) return Format::jpeg;
    if (starts({'B', 'M'})) return Format::bmp;
    if (starts({'G', 'I', 'F', '8', '7', 'a'}) || starts({'G', 'I', 'F', '8', '9', 'a'})) return Format::gif;
    if (starts({'I', 'I', 0x2A, 0}) || starts({'M', 'M', 0, 0x2A})) return Format::tiff;
    return std::nullopt;
}

Decoded decode(std::span<const u8> bytes) {
    const auto format = sniff(bytes);
    if (!format) return {};
    switch (*format) {
    case Format::bmp: return decode_bmp(bytes);
    case Format::png: return decode_png(bytes);
    case Format::gif: return decode_gif(bytes);
    case Format::jpeg: return decode_jpeg(bytes);
    case Format::tiff: return decode_tiff(bytes);
    }
    return {};
}

std::optional<std::vector<u8>> encode(const u8* bgra, u32 width, u32 height, Format format) {
    if (width == 0 || height == 0) return std::vector<u8>{};
    switch (format) {
    case Format::bmp: return encode_bmp(bgra, width, height);
    case Format::png: return encode_png(bgra, width, height);
    case Format::gif: return encode_gif(bgra, width, height);
    case Format::jpeg: return encode_jpeg(bgra, width, height);
    case Format::tiff: return encode_tiff(bgra, width, height);
    }
    return std::nullopt;
}

}  // namespace zel::image_codec
