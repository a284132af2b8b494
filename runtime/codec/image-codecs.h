// Image files to pixels and back: PNG, JPEG, GIF and TIFF through their libraries, BMP our
// own. Decoders take the whole file as bytes and give straight (not premultiplied) BGRA
// rows, 4 bytes a pixel with alpha as opacity; encoders take the same. Nothing here trusts
// a field of a file: sizes are checked before anything is allocated, offsets, palette
// indices and row lengths before use, and a library's errors come back through its hooks
// as a refused file, never as text on a stream or a crash.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace zel::image_codec {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

// The container formats, numbered as the encoders' format codes.
enum class Format : u8 { bmp = 0, png = 1, gif = 2, jpeg = 3, tiff = 4 };
constexpr u32 format_count = 5;

// Largest side of an image, and the most pixels a decoder will give (1 GiB of pixels):
// beyond that a file is refused rather than allowed to exhaust the process.
constexpr u32 max_side = 65535;
constexpr u64 max_pixels = u64{1} << 28;

struct FreeDeleter {
    void operator()(u8* p) const { std::free(p); }
};

// width x height pixels, rows of width x 4 bytes, zeroed (transparent black) where no data
// was written. Its memory is taken zeroed from the system, so a large image costs only
// the pages its rows reach.
struct Bitmap {
    u32 width = 0;
    u32 height = 0;
    std::unique_ptr<u8, FreeDeleter> pixels;

    u8* row(u32 y) { return pixels.get() + u64{y} * width * 4; }
    const u8* row(u32 y) const { return pixels.get() + u64{y} * width * 4; }
    u64 bytes() const { return u64{width} * height * 4; }
};

enum class Failure : u8 { bad_media, no_memory };

// A bitmap of the size, or the reason there is none: bad_media for a side of 0 or beyond
// max_side or more than max_pixels, no_memory when the system refuses the memory.
struct Allocation {
    std::optional<Bitmap> bitmap;
    Failure failure = Failure::bad_media;
};
Allocation allocate(u32 width, u32 height);

struct Decoded {
    std::optional<Bitmap> bitmap;
    Failure failure = Failure::bad_media;
};

// The format whose signature starts the bytes: PNG, JPEG, BMP, GIF87a/89a, TIFF (both
// byte orders).
std::optional<Format> sniff(std::span<const u8> bytes);

// Decodes the first image of a file of any of the formats, by its signature.
Decoded decode(std::span<const u8> bytes);
Decoded decode_bmp(std::span<const u8> bytes);
Decoded decode_png(std::span<const u8> bytes);
Decoded decode_jpeg(std::span<const u8> bytes);
Decoded decode_gif(std::span<const u8> bytes);
Decoded decode_tiff(std::span<const u8> bytes);

// The file bytes of width x height BGRA pixels (rows of width x 4 bytes), or nothing when
// the library failed. BMP is 32-bit with alpha masks, PNG RGBA, GIF quantised to 256
// colours with pixels over half transparent at a transparent index, JPEG quality 90
// without alpha, TIFF RGBA compressed with LZW. Sizes of 0 give an empty file.
std::optional<std::vector<u8>> encode(const u8* bgra, u32 width, u32 height, Format format);

}  // namespace zel::image_codec
