// BMP, read and written here: core and info headers up to version 5, 1 to 32 bits a
// pixel, palettes, bit fields (with or without alpha), RLE4 and RLE8, rows from the bottom
// or from the top. Written as 32-bit pixels with alpha masks, rows from the bottom.
#include <bit>
#include <cstring>

#include "runtime/codec/image-codecs.h"

namespace zel::image_codec {
namespace {

constexpr u32 file_header = 14;
constexpr u32 core_header = 12;
constexpr u32 info_header = 40;
constexpr u32 v4_header = 108;

enum Compression : u32 { rgb = 0, rle8 = 1, rle4 = 2, bitfields = 3, alpha_bitfields = 6 };

u32 read16(const u8* p) { return u32{p[0]} | u32{p[1]} << 8; }
u32 read32(const u8* p) { return read16(p) | read16(p + 2) << 16; }

// One channel described by a bit mask: where it starts and how to widen it to 8 bits.
struct Channel {
    u32 mask = 0;
    u32 shift = 0;
    u32 max = 0;  // the largest value the field holds

    explicit Channel(u32 m) : mask(m) {
        if (!m) return;
        shift = static_cast<u32>(std::countr_zero(m));
        const u32 bits = static_cast<u32>(std::countr_one(m >> shift));
        max = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    }
    u8 of(u32 pixel, u8 absent) const {
        if (!mask) return absent;
        const u64 v = (pixel & mask) >> shift;
        return static_cast<u8>(v > max ? 255 : (v * 255 + max / 2) / max);
    }
};

struct Header {
    u64 width = 0;
    u64 height = 0;
    bool top_down = false;
    u32 bits = 0;
    u32 compression = rgb;
    u32 palette_offset = 0;
    u32 palette_entries = 0;
    u32 palette_entry_size = 4;
    u32 masks[4] = {0, 0, 0, 0};
    u64 data_offset = 0;
};

bool read_header(std::span<const u8> f, Header& h) {
    if (f.size() < file_header + 4) return false;
    h.data_offset = read32(&f[10]);
    const u32 size = read32(&f[14]);
    if (size < core_header || f.size() < u64{file_header} + size) return false;
    const u8* p = &f[file_header];
    if (size == core_header) {
        h.width = read16(p + 4);
        h.height = read16(p + 6);
        h.bits = read16(p + 10);
        h.palette_entry_size = 3;
    } else {
        if (size < info_header) return false;
        const auto w = static_cast<std::int32_t>(read32(p + 4));
        const auto hh = static_cast<std::int32_t>(read32(p + 8));
        if (w <= 0 || hh == 0 || hh == INT32_MIN) return false;
        h.width = static_cast<u64>(w);
        h.top_down = hh < 0;
        h.height = static_cast<u64>(hh < 0 ? -static_cast<std::int64_t>(hh) : hh);
        h.bits = read16(p + 14);
        h.compression = read32(p + 16);
        h.palette_entries = read32(p + 32);
    }
    u64 after = u64{file_header} + size;
    if (h.compression == bitfields || h.compression == alpha_bitfields) {
        const u32 count = h.compression == alpha_bitfields ? 4 : 3;
        if (size >= info_header + 12) {
            const u32 in_header = size >= info_header + 16 ? 4 : 3;
            for (u32 i = 0; i < in_header; ++i) h.masks[i] = read32(p + info_header + 4 * i);
        } else {
            if (f.size() < after + 4 * count) return false;
            for (u32 i = 0; i < count; ++i) h.masks[i] = read32(&f[after + 4 * i]);
            after += 4 * count;
        }
        if (h.bits != 16 && h.bits != 32) return false;
    } else if (h.bits == 16) {
        h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
    }
    switch (h.compression) {
    case rgb: case bitfields: case alpha_bitfields: break;
    case rle8: if (h.bits != 8 || h.top_down) return false; break;
    case rle4: if (h.bits != 4 || h.top_down) return false; break;
    default: return false;
    }
    if (h.bits != 1 && h.bits != 2 && h.bits != 4 && h.bits != 8 && h.bits != 16 && h.bits != 24 && h.bits != 32)
        return false;
    if (h.bits <= 8) {
        const u32 most = 1u << h.bits;
        if (h.palette_entries == 0 || h.palette_entries > most) h.palette_entries = most;
        h.palette_offset = static_cast<u32>(after);
        // A palette cut short by the file or by the pixel data keeps the entries it has.
        const u64 end = std::min<u64>(f.size(), h.data_offset > after ? h.data_offset : f.size());
        const u64 room = end > after ? (end - after) / h.palette_entry_size : 0;
        h.palette_entries = static_cast<u32>(std::min<u64>(h.palette_entries, room));
    }
    return h.data_offset < f.size();
}

struct Reader {
    std::span<const u8> f;
    const Header& h;
    Bitmap& out;

    u8* row_of(u64 file_row) const {
        return out.row(static_cast<u32>(h.top_down ? file_row : h.height - 1 - file_row));
    }
    // Palette entries out of range read as opaque black.
    void put_index(u8* px, u32 index) const {
        if (index >= h.palette_entries) {
            px[0] = px[1] = px[2] = 0;
        } else {
            const u8* e = &f[h.palette_offset + u64{index} * h.palette_entry_size];
            px[0] = e[0], px[1] = e[1], px[2] = e[2];
        }
        px[3] = 255;
    }

    bool plain() const {
        const u64 stride = (h.width * h.bits + 31) / 32 * 4;
        if (h.data_offset + stride * h.height > f.size()) return false;
        const Channel r(h.masks[0]), g(h.masks[1]), b(h.masks[2]), a(h.masks[3]);
        for (u64 y = 0; y < h.height; ++y) {
            const u8* src = &f[h.data_offset + y * stride];
            u8* dst = row_of(y);
            for (u64 x = 0; x < h.width; ++x, dst += 4) {
                switch (h.bits) {
                case 1: case 2: case 4: case 8: {
                    const u64 bit = x * h.bits;
                    const u32 shift = 8 - h.bits - static_cast<u32>(bit % 8);
                    put_index(dst, (src[bit / 8] >> shift) & ((1u << h.bits) - 1));
                    break;
                }
                case 24:
                    dst[0] = src[x * 3], dst[1] = src[x * 3 + 1], dst[2] = src[x * 3 + 2], dst[3] = 255;
                    break;
                default: {
                    const u32 v = h.bits == 16 ? read16(src + x * 2) : read32(src + x * 4);
                    if (h.bits == 32 && h.compression == rgb) {
                        std::memcpy(dst, &src[x * 4], 3);
                        dst[3] = 255;
                    } else {
                        dst[0] = b.of(v, 0), dst[1] = g.of(v, 0), dst[2] = r.of(v, 0), dst[3] = a.of(v, 255);
                    }
                }
                }
            }
        }
        return true;
    }

    // Runs and literal stretches. Pixels past a row's end are dropped (writers pad rows to
    // even or word lengths that way); pixels in rows past the image, a move past it or data
    // ending before the end-of-bitmap mark refuse the file.
    bool run_length() const {
        const bool four = h.compression == rle4;
        u64 i = h.data_offset, x = 0, y = 0;
        auto put = [&](u32 index) {
            if (y >= h.height) return false;
            if (x < h.width) put_index(row_of(y) + x * 4, index);
            ++x;
            return true;
        };
        while (true) {
            if (i + 2 > f.size()) return false;
            const u32 count = f[i], value = f[i + 1];
            i += 2;
            if (count > 0) {
                for (u32 k = 0; k < count; ++k)
                    if (!put(four ? (k % 2 ? value & 15 : value >> 4) : value)) return false;
            } else if (value == 0) {
                x = 0, ++y;
            } else if (value == 1) {
                return true;
            } else if (value == 2) {
                if (i + 2 > f.size()) return false;
                x += f[i], y += f[i + 1];
                i += 2;
                if (x > h.width || y > h.height) return false;
            } else {
                const u64 bytes = four ? (value + 1) / 2 : value;
                if (i + bytes > f.size()) return false;
                for (u32 k = 0; k < value; ++k)
                    if (!put(four ? (k % 2 ? f[i + k / 2] & 15 : f[i + k / 2] >> 4) : f[i + k])) return false;
                i += (bytes + 1) & ~u64{1};
            }
        }
    }
};

void put16(std::vector<u8>& v, u32 x) {
    v.push_back(static_cast<u8>(x));
    v.push_back(static_cast<u8>(x >> 8));
}
void put32(std::vector<u8>& v, u32 x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

}  // namespace

Decoded decode_bmp(std::span<const u8> bytes) {
    Header h;
    if (!read_header(bytes, h) || h.width > max_side || h.height > max_side) return {};
    Allocation a = allocate(static_cast<u32>(h.width), static_cast<u32>(h.height));
    if (!a.bitmap) return {std::nullopt, a.failure};
    const Reader r{bytes, h, *a.bitmap};
    const bool ok = h.compression == rle4 || h.compression == rle8 ? r.run_length() : r.plain();
    if (!ok) return {};
    return {std::move(a.bitmap), Failure::bad_media};
}

std::optional<std::vector<u8>> encode_bmp(const u8* bgra, u32 width, u32 height) {
    const u64 data = u64{width} * height * 4;
    const u64 total = file_header + v4_header + data;
    if (total > 0xFFFFFFFFu) return std::nullopt;
    std::vector<u8> v;
    v.reserve(total);
    v.push_back('B'), v.push_back('M');
    put32(v, static_cast<u32>(total));
    put32(v, 0);
    put32(v, file_header + v4_header);
    put32(v, v4_header);
    put32(v, width);
    put32(v, height);
    put16(v, 1);
    put16(v, 32);
    put32(v, bitfields);
    put32(v, static_cast<u32>(data));
    put32(v, 2835), put32(v, 2835);  // 72 dots per inch
    put32(v, 0), put32(v, 0);
    put32(v, 0x00FF0000), put32(v, 0x0000FF00), put32(v, 0x000000FF), put32(v, 0xFF000000);
    put32(v, 0x73524742);  // 'sRGB'
    v.resize(file_header + v4_header);
    for (u32 y = height; y-- > 0;) {
        const u8* row = bgra + u64{y} * width * 4;
        v.insert(v.end(), row, row + u64{width} * 4);
    }
    return v;
}

}  // namespace zel::image_codec
