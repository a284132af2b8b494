// TIFF through libtiff, over bytes in memory: the first directory, read row by row when it
// is 8-bit RGB or RGBA in strips, through libtiff's RGBA reader otherwise (any photometric,
// depth, tiling or planar layout it knows); written as 8-bit RGBA with unassociated alpha,
// LZW-compressed. libtiff's messages are silenced once; its failures come back as results.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "runtime/codec/image-codecs.h"

namespace zel::image_codec {
namespace {

// The bytes libtiff reads from or writes to, with its position.
struct Stream {
    std::span<const u8> in;
    std::vector<u8>* out = nullptr;
    u64 at = 0;

    u64 size() const { return out ? out->size() : in.size(); }
};

Stream* stream_of(thandle_t h) { return static_cast<Stream*>(h); }

tmsize_t read_proc(thandle_t h, void* buffer, tmsize_t n) {
    Stream* s = stream_of(h);
    if (s->out || n < 0 || s->at >= s->in.size()) return 0;
    const u64 count = std::min<u64>(static_cast<u64>(n), s->in.size() - s->at);
    std::memcpy(buffer, s->in.data() + s->at, count);
    s->at += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t write_proc(thandle_t h, void* buffer, tmsize_t n) {
    Stream* s = stream_of(h);
    if (!s->out || n < 0) return 0;
    const u64 end = s->at + static_cast<u64>(n);
    if (end > s->out->size()) s->out->resize(end);
    std::memcpy(s->out->data() + s->at, buffer, static_cast<u64>(n));
    s->at = end;
    return n;
}

toff_t seek_proc(thandle_t h, toff_t offset, int whence) {
    Stream* s = stream_of(h);
    u64 base = whence == SEEK_CUR ? s->at : whence == SEEK_END ? s->size() : 0;
    const u64 to = base + offset;
    if (to < base) return static_cast<toff_t>(-1);
    s->at = to;
    return to;
}

int close_proc(thandle_t) { return 0; }
toff_t size_proc(thandle_t h) { return stream_of(h)->size(); }
// Reading maps the bytes as they are: libtiff then reads as it does from a mapped file
// (its unmapped path refuses some valid tiled files). It never writes to a mapping.
int map_proc(thandle_t h, void** base, toff_t* size) {
    Stream* s = stream_of(h);
    if (s->out) return 0;
    *base = const_cast<u8*>(s->in.data());
    *size = s->in.size();
    return 1;
}
void unmap_proc(thandle_t, void*, toff_t) {}

TIFF* open(Stream& s, const char* mode) {
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    return TIFFClientOpen("memory", mode, &s, read_proc, write_proc, seek_proc, close_proc, size_proc, map_proc,
                          unmap_proc);
}

struct Closer {
    TIFF* tif;
    ~Closer() {
        if (tif) TIFFClose(tif);
    }
};

// 8-bit RGB or RGBA (unassociated alpha), samples interleaved, in strips.
bool plain_rgb(TIFF* tif, u16& samples) {
    u16 bits = 0, photometric = 0, planar = 0, extra_count = 0;
    u16* extra = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
    if (TIFFIsTiled(tif) || bits != 8 || photometric != PHOTOMETRIC_RGB || planar != PLANARCONFIG_CONTIG) return false;
    if (samples == 3) return extra_count == 0;
    return samples == 4 && extra_count == 1 && extra[0] == EXTRASAMPLE_UNASSALPHA;
}

bool read_rows(TIFF* tif, Bitmap& out, u16 samples) {
    const tmsize_t line = TIFFScanlineSize(tif);
    if (line < 0 || static_cast<u64>(line) < u64{out.width} * samples) return false;
    std::vector<u8> row(static_cast<u64>(line));
    for (u32 y = 0; y < out.height; ++y) {
        if (TIFFReadScanline(tif, row.data(), y, 0) < 0) return false;
        u8* dst = out.row(y);
        for (u32 x = 0; x < out.width; ++x, dst += 4) {
            const u8* p = &row[u64{x} * samples];
            dst[0] = p[2], dst[1] = p[1], dst[2] = p[0], dst[3] = samples == 4 ? p[3] : 255;
        }
    }
    return true;
}

// libtiff's RGBA reader gives bytes R, G, B, A with the colour multiplied by the alpha;
// the bitmap wants B, G, R and straight colour.
bool read_rgba(TIFF* tif, Bitmap& out) {
    char message[1024];
    if (!TIFFRGBAImageOK(tif, message)) return false;
    auto* raster = reinterpret_cast<uint32_t*>(out.pixels.get());
    if (!TIFFReadRGBAImageOriented(tif, out.width, out.height, raster, ORIENTATION_TOPLEFT, 0)) return false;
    u16 extra_count = 0;
    u16* extra = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extra_count, &extra);
    u8* p = out.pixels.get();
    for (u64 i = 0; i < u64{out.width} * out.height; ++i, p += 4) {
        std::swap(p[0], p[2]);
        const u32 a = p[3];
        if (extra_count == 0 || a == 255) continue;
        for (u32 k = 0; k < 3; ++k) p[k] = a ? static_cast<u8>(std::min<u32>(255, (p[k] * 255 + a / 2) / a)) : 0;
    }
    return true;
}

}  // namespace

Decoded decode_tiff(std::span<const u8> bytes) {
    Stream s{bytes};
    Closer c{open(s, "r")};
    if (!c.tif) return {};
    u32 width = 0, height = 0;
    if (!TIFFGetField(c.tif, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(c.tif, TIFFTAG_IMAGELENGTH, &height))
        return {};
    Allocation a = allocate(width, height);
    if (!a.bitmap) return {std::nullopt, a.failure};
    u16 samples = 0;
    const bool ok = plain_rgb(c.tif, samples) ? read_rows(c.tif, *a.bitmap, samples) : read_rgba(c.tif, *a.bitmap);
    if (!ok) return {};
    return {std::move(a.bitmap), Failure::bad_media};
}

std::optional<std::vector<u8>> encode_tiff(const u8* bgra, u32 width, u32 height) {
    std::vector<u8> bytes;
    Stream s{{}, &bytes};
    TIFF* tif = open(s, "w");
    if (!tif) return std::nullopt;
    const u16 extra[1] = {EXTRASAMPLE_UNASSALPHA};
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width) && TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height) &&
              TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4) &&
              TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra) &&
              TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
              TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    std::vector<u8> row(u64{width} * 4);
    for (u32 y = 0; ok && y < height; ++y) {
        const u8* src = bgra + u64{y} * width * 4;
        for (u32 x = 0; x < width; ++x) {
            row[x * 4] = src[x * 4 + 2], row[x * 4 + 1] = src[x * 4 + 1];
            row[x * 4 + 2] = src[x * 4], row[x * 4 + 3] = src[x * 4 + 3];
        }
        ok = TIFFWriteScanline(tif, row.data(), y, 0) >= 0;
    }
    ok = ok && TIFFFlush(tif);
    TIFFClose(tif);
    if (!ok) return std::nullopt;
    return bytes;
}

}  // namespace zel::image_codec
