// GIF through giflib: the first image of a file, with its own or the global palette and
// its transparent index, interlaced or not; written quantised to 256 colours by giflib's
// quantiser, a pixel more than half transparent taking a reserved transparent index.
#include <gif_lib.h>

#include <algorithm>
#include <cstring>

#include "runtime/codec/image-codecs.h"

namespace zel::image_codec {
namespace {

struct Source {
    std::span<const u8> bytes;
    std::size_t at = 0;
};

int read_bytes(GifFileType* gif, GifByteType* out, int n) {
    auto* s = static_cast<Source*>(gif->UserData);
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(n), s->bytes.size() - s->at);
    std::memcpy(out, s->bytes.data() + s->at, count);
    s->at += count;
    return static_cast<int>(count);
}

int write_bytes(GifFileType* gif, const GifByteType* in, int n) {
    auto* out = static_cast<std::vector<u8>*>(gif->UserData);
    out->insert(out->end(), in, in + n);
    return n;
}

struct Closer {
    GifFileType* gif;
    ~Closer() {
        int error = 0;
        if (gif) DGifCloseFile(gif, &error);
    }
};

// Skips extensions up to the first image, keeping the transparent index of the last
// graphic control block seen.
bool find_image(GifFileType* gif, int& transparent) {
    while (true) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
        if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
        if (type == TERMINATE_RECORD_TYPE) return false;
        if (type != EXTENSION_RECORD_TYPE) continue;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
        if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
            GraphicsControlBlock gcb;
            if (DGifExtensionToGCB(block[0], block + 1, &gcb) != GIF_ERROR) transparent = gcb.TransparentColor;
        }
        while (block) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
        }
    }
}

}  // namespace

Decoded decode_gif(std::span<const u8> bytes) {
    Source source{bytes};
    int error = 0;
    Closer c{DGifOpen(&source, read_bytes, &error)};
    GifFileType* gif = c.gif;
    int transparent = NO_TRANSPARENT_COLOR;
    if (!gif || !find_image(gif, transparent)) return {};
    const GifImageDesc& d = gif->Image;
    if (d.Width <= 0 || d.Height <= 0) return {};
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    const int colours = map ? map->ColorCount : 0;
    Allocation a = allocate(static_cast<u32>(d.Width), static_cast<u32>(d.Height));
    if (!a.bitmap) return {std::nullopt, a.failure};
    Bitmap& out = *a.bitmap;
    std::vector<GifPixelType> line(out.width);
    auto put_row = [&](u32 y) {
        if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) return false;
        u8* dst = out.row(y);
        for (u32 x = 0; x < out.width; ++x, dst += 4) {
            const int index = line[x];
            if (index == transparent) {
                std::memset(dst, 0, 4);
            } else if (index < colours) {
                const GifColorType& e = map->Colors[index];
                dst[0] = e.Blue, dst[1] = e.Green, dst[2] = e.Red, dst[3] = 255;
            } else {
                dst[0] = dst[1] = dst[2] = 0, dst[3] = 255;
            }
        }
        return true;
    };
    if (d.Interlace) {
        static constexpr u32 start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
        for (u32 pass = 0; pass < 4; ++pass)
            for (u32 y = start[pass]; y < out.height; y += step[pass])
                if (!put_row(y)) return {};
    } else {
        for (u32 y = 0; y < out.height; ++y)
            if (!put_row(y)) return {};
    }
    return {std::move(a.bitmap), Failure::bad_media};
}

std::optional<std::vector<u8>> encode_gif(const u8* bgra, u32 width, u32 height) {
    if (width > max_side || height > max_side) return std::nullopt;
    const u64 count = u64{width} * height;
    std::vector<GifByteType> r(count), g(count), b(count), indices(count);
    bool any_transparent = false;
    for (u64 i = 0; i < count; ++i) {
        b[i] = bgra[i * 4], g[i] = bgra[i * 4 + 1], r[i] = bgra[i * 4 + 2];
        any_transparent |= bgra[i * 4 + 3] < 128;
    }
    constexpr int transparent_index = 255;
    int size = any_transparent ? 255 : 256;
    GifColorType palette[256];
    std::memset(palette, 0, sizeof palette);
    if (GifQuantizeBuffer(static_cast<unsigned>(width), static_cast<unsigned>(height), &size, r.data(), g.data(),
                          b.data(), indices.data(), palette) == GIF_ERROR)
        return std::nullopt;
    if (any_transparent)
        for (u64 i = 0; i < count; ++i)
            if (bgra[i * 4 + 3] < 128) indices[i] = transparent_index;
    ColorMapObject* map = GifMakeMapObject(256, palette);
    if (!map) return std::nullopt;
    std::vector<u8> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, write_bytes, &error);
    bool ok = gif != nullptr;
    if (ok) {
        EGifSetGifVersion(gif, true);
        ok = EGifPutScreenDesc(gif, static_cast<int>(width), static_cast<int>(height), 8, 0, map) != GIF_ERROR;
        if (ok && any_transparent) {
            GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, 0, transparent_index};
            GifByteType extension[4];
            EGifGCBToExtension(&gcb, extension);
            ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_ERROR;
        }
        ok = ok && EGifPutImageDesc(gif, 0, 0, static_cast<int>(width), static_cast<int>(height), false, nullptr) !=
                       GIF_ERROR;
        for (u32 y = 0; ok && y < height; ++y)
            ok = EGifPutLine(gif, indices.data() + u64{y} * width, static_cast<int>(width)) != GIF_ERROR;
        ok = EGifCloseFile(gif, &error) != GIF_ERROR && ok;
    }
    GifFreeMapObject(map);
    if (!ok) return std::nullopt;
    return out;
}

}  // namespace zel::image_codec
