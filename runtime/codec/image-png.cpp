// PNG through libpng: every colour type and depth read as 8-bit BGRA with the stored
// values (no gamma conversion), interlaced files included; written as 8-bit RGBA. libpng
// reports errors by a long jump, which lands in the frame that set it up: those frames hold
// only plain data, so nothing with a destructor is skipped.
#include <png.h>

#include <csetjmp>
#include <cstring>

#include "runtime/codec/image-codecs.h"

namespace zel::image_codec {
namespace {

struct Source {
    const u8* data;
    std::size_t size;
    std::size_t at;
};

void read_bytes(png_structp png, png_bytep out, png_size_t n) {
    auto* s = static_cast<Source*>(png_get_io_ptr(png));
    if (n > s->size - s->at) png_error(png, "truncated");
    std::memcpy(out, s->data + s->at, n);
    s->at += n;
}

void on_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void on_warning(png_structp, png_const_charp) {}

// Reads the header, then the rows straight into the bitmap. A plain-data frame for the
// long jump; the bitmap it fills is owned by the caller.
bool read_png(png_structp png, png_infop info, Source* source, Allocation* out) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, source, read_bytes);
    png_set_user_limits(png, max_side, max_side);
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_ERROR_QUIT);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    png_set_expand(png);
    png_set_scale_16(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != u64{width} * 4) return false;
    *out = allocate(width, height);
    if (!out->bitmap) return false;
    for (int pass = 0; pass < passes; ++pass)
        for (u32 y = 0; y < height; ++y) png_read_row(png, out->bitmap->row(y), nullptr);
    png_read_end(png, nullptr);
    return true;
}

}  // namespace

Decoded decode_png(std::span<const u8> bytes) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, on_error, on_warning);
    if (!png) return {std::nullopt, Failure::no_memory};
    png_infop info = png_create_info_struct(png);
    Source source{bytes.data(), bytes.size(), 0};
    Allocation a;
    const bool ok = info && read_png(png, info, &source, &a);
    png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (!ok) return {std::nullopt, a.bitmap ? Failure::bad_media : a.failure};
    return {std::move(a.bitmap), Failure::bad_media};
}

std::optional<std::vector<u8>> encode_png(const u8* bgra, u32 width, u32 height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_BGRA;
    png_alloc_size_t size = 0;
    if (!png_image_write_get_memory_size(image, size, 0, bgra, 0, nullptr)) return std::nullopt;
    std::vector<u8> out(size);
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, bgra, 0, nullptr)) {
        png_image_free(&image);
        return std::nullopt;
    }
    out.resize(size);
    return out;
}

}  // namespace zel::image_codec
