// JPEG through libjpeg-turbo: colour, grey and CMYK (Adobe's inverted form), baseline or
// progressive, read as opaque BGRA; written at quality 90 without alpha. The library's
// errors long-jump back to the frame that set up the decoder or encoder, which holds only
// plain data.
#include <cstdio>

#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstring>

#include "runtime/codec/image-codecs.h"

namespace zel::image_codec {
namespace {

struct ErrorHook {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void on_error(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorHook*>(info->err)->jump, 1); }
// Warnings stay quiet, but data that ends early is a truncated file, not grey rows.
void on_message(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) on_error(info);
}

// The library's error manager with the hooks above.
jpeg_error_mgr* quiet_errors(ErrorHook& hook) {
    jpeg_std_error(&hook.base);
    hook.base.error_exit = on_error;
    hook.base.emit_message = on_message;
    return &hook.base;
}

bool read_jpeg(jpeg_decompress_struct* d, std::span<const u8> bytes, Allocation* out, u8* row) {
    jpeg_mem_src(d, bytes.data(), static_cast<unsigned long>(bytes.size()));
    if (jpeg_read_header(d, TRUE) != JPEG_HEADER_OK) return false;
    const bool cmyk = d->jpeg_color_space == JCS_CMYK || d->jpeg_color_space == JCS_YCCK;
    d->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    if (d->image_width > max_side || d->image_height > max_side) return false;
    *out = allocate(d->image_width, d->image_height);
    if (!out->bitmap) return false;
    jpeg_start_decompress(d);
    if (d->output_width != out->bitmap->width || d->output_components != 4) return false;
    while (d->output_scanline < d->output_height) {
        u8* dst = out->bitmap->row(d->output_scanline);
        JSAMPROW rows[1] = {cmyk ? row : dst};
        if (jpeg_read_scanlines(d, rows, 1) != 1) return false;
        if (!cmyk) continue;
        // Adobe writes the inks inverted: each byte is already 255 minus the ink.
        for (u32 x = 0; x < d->output_width; ++x, dst += 4) {
            const u32 c = row[x * 4], m = row[x * 4 + 1], y = row[x * 4 + 2], k = row[x * 4 + 3];
            dst[0] = static_cast<u8>((y * k + 127) / 255);
            dst[1] = static_cast<u8>((m * k + 127) / 255);
            dst[2] = static_cast<u8>((c * k + 127) / 255);
            dst[3] = 255;
        }
    }
    jpeg_finish_decompress(d);
    return true;
}

bool decode_in_frame(jpeg_decompress_struct* d, ErrorHook* hook, std::span<const u8> bytes, Allocation* out,
                     u8* row) {
    if (setjmp(hook->jump)) return false;
    return read_jpeg(d, bytes, out, row);
}

bool write_jpeg(jpeg_compress_struct* c, ErrorHook* hook, const u8* bgra, u32 width, u32 height, unsigned char** data,
                unsigned long* size) {
    if (setjmp(hook->jump)) return false;
    jpeg_mem_dest(c, data, size);
    c->image_width = width;
    c->image_height = height;
    c->input_components = 4;
    c->in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(c);
    jpeg_set_quality(c, 90, TRUE);
    jpeg_start_compress(c, TRUE);
    while (c->next_scanline < height) {
        JSAMPROW rows[1] = {const_cast<u8*>(bgra + u64{c->next_scanline} * width * 4)};
        jpeg_write_scanlines(c, rows, 1);
    }
    jpeg_finish_compress(c);
    return true;
}

}  // namespace

Decoded decode_jpeg(std::span<const u8> bytes) {
    jpeg_decompress_struct d;
    ErrorHook hook;
    d.err = quiet_errors(hook);
    jpeg_create_decompress(&d);
    // Progressive files keep every coefficient of the image in memory: a crafted header
    // must not make that the process's whole memory.
    d.mem->max_memory_to_use = 1L << 30;
    std::vector<u8> row(u64{max_side} * 4);
    Allocation a;
    const bool ok = decode_in_frame(&d, &hook, bytes, &a, row.data());
    jpeg_destroy_decompress(&d);
    if (!ok) return {std::nullopt, a.bitmap ? Failure::bad_media : a.failure};
    return {std::move(a.bitmap), Failure::bad_media};
}

std::optional<std::vector<u8>> encode_jpeg(const u8* bgra, u32 width, u32 height) {
    jpeg_compress_struct c;
    ErrorHook hook;
    c.err = quiet_errors(hook);
    jpeg_create_compress(&c);
    unsigned char* data = nullptr;
    unsigned long size = 0;
    const bool ok = write_jpeg(&c, &hook, bgra, width, height, &data, &size);
    jpeg_destroy_compress(&c);
    std::optional<std::vector<u8>> out;
    if (ok) out.emplace(data, data + size);
    std::free(data);
    return out;
}

}  // namespace zel::image_codec
