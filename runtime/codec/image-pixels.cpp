#include "runtime/codec/image-pixels.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zel::image_pixels {

void scale(const u8* src, u32 sw, u32 sh, u8* dst, u32 w, u32 h) {
    for (u32 y = 0; y < h; ++y) {
        const u8* row = src + (u64{y} * sh / h) * sw * 4;
        for (u32 x = 0; x < w; ++x) std::memcpy(dst + (u64{y} * w + x) * 4, row + (u64{x} * sw / w) * 4, 4);
    }
}

void flip_vertical(const u8* src, u32 w, u32 h, u8* dst) {
    for (u32 y = 0; y < h; ++y) std::memcpy(dst + u64{y} * w * 4, src + u64{h - 1 - y} * w * 4, u64{w} * 4);
}

void premultiply(const u8* src, u8* dst, u64 pixels) {
    for (u64 i = 0; i < pixels * 4; i += 4) {
        const u32 a = src[i + 3];
        for (u32 k = 0; k < 3; ++k) dst[i + k] = static_cast<u8>((src[i + k] * a + 127) / 255);
        dst[i + 3] = static_cast<u8>(a);
    }
}

void unpremultiply(const u8* src, u8* dst, u64 pixels) {
    for (u64 i = 0; i < pixels * 4; i += 4) {
        const u32 a = src[i + 3];
        for (u32 k = 0; k < 3; ++k)
            dst[i + k] = a ? static_cast<u8>(std::min<u32>(255, (src[i + k] * 255 + a / 2) / a)) : 0;
        dst[i + 3] = static_cast<u8>(a);
    }
}

Rect clip(Rect r, u32 width, u32 height) {
    const i64 x0 = std::max<i64>(r.x, 0), y0 = std::max<i64>(r.y, 0);
    const i64 x1 = std::min<i64>(r.x + std::max<i64>(r.w, 0), width);
    const i64 y1 = std::min<i64>(r.y + std::max<i64>(r.h, 0), height);
    if (x1 <= x0 || y1 <= y0) return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect crop(const u8* src, u32 width, u32 height, Rect r, u8* dst) {
    const Rect c = clip(r, width, height);
    for (i64 row = 0; row < c.h; ++row)
        std::memcpy(dst + static_cast<u64>(row * c.w * 4), src + static_cast<u64>(((c.y + row) * width + c.x) * 4),
                    static_cast<u64>(c.w * 4));
    return c;
}

namespace {

struct Vec {
    double x, y;
};

double cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }

}  // namespace

std::optional<Mapped> map_to_quad(const u8* src, u32 width, u32 height, const Quad& q) {
    if (width < 1 || height < 1) return std::nullopt;
    float min_x = 3.4028235e38f, min_y = 3.4028235e38f, max_x = -3.4028235e38f, max_y = -3.4028235e38f;
    for (int k = 0; k < 4; ++k) {
        if (!std::isfinite(q.x[k]) || !std::isfinite(q.y[k])) return std::nullopt;
        min_x = std::min(min_x, q.x[k]), max_x = std::max(max_x, q.x[k]);
        min_y = std::min(min_y, q.y[k]), max_y = std::max(max_y, q.y[k]);
    }
    const double bw = std::trunc(static_cast<double>(max_x) - min_x), bh = std::trunc(static_cast<double>(max_y) - min_y);
    if (bw < 1 || bh < 1 || bw > image_codec::max_side || bh > image_codec::max_side) return std::nullopt;
    Mapped m;
    m.x = static_cast<i64>(min_x), m.y = static_cast<i64>(min_y);
    m.w = static_cast<u32>(bw), m.h = static_cast<u32>(bh);
    Vec p[4], e[4];
    for (int k = 0; k < 4; ++k) p[k] = {q.x[k], q.y[k]};
    for (int k = 0; k < 4; ++k) {
        const Vec d{p[(k + 1) % 4].x - p[k].x, p[(k + 1) % 4].y - p[k].y};
        const double length = std::sqrt(d.x * d.x + d.y * d.y);
        if (length == 0) return std::nullopt;
        e[k] = {d.x / length, d.y / length};
    }
    m.pixels.assign(u64{m.w} * m.h * 4, 0);
    for (u32 j = 0; j < m.h; ++j)
        for (u32 i = 0; i < m.w; ++i) {
            const Vec pt{static_cast<double>(m.x + i), static_cast<double>(m.y + j)};
            double d[4];
            bool inside = true;
            for (int k = 0; k < 4; ++k) {
                const double c = cross({pt.x - p[k].x, pt.y - p[k].y}, e[k]);
                if (c > 0) inside = false;  // right of the edge
                d[k] = std::fabs(c);
            }
            // A point on two opposite edges at once (a quadrilateral pinched to a line)
            // has no place in the source.
            if (!inside || d[3] + d[1] == 0 || d[0] + d[2] == 0) continue;
            const double u = d[3] / (d[3] + d[1]) * width, v = d[0] / (d[0] + d[2]) * height;
            const auto iu = static_cast<i64>(u), iv = static_cast<i64>(v);
            if (iu < 0 || iu >= width || iv < 0 || iv >= height) continue;
            const i64 iu1 = iu + 1 == width ? iu : iu + 1, iv1 = iv + 1 == height ? iv : iv + 1;
            const double fu = std::max(0.0, u - static_cast<double>(iu)), fv = std::max(0.0, v - static_cast<double>(iv));
            const double w00 = (1 - fu) * (1 - fv), w10 = fu * (1 - fv), w01 = (1 - fu) * fv, w11 = fu * fv;
            const u8* s00 = src + static_cast<u64>((iv * width + iu) * 4);
            const u8* s10 = src + static_cast<u64>((iv * width + iu1) * 4);
            const u8* s01 = src + static_cast<u64>((iv1 * width + iu) * 4);
            const u8* s11 = src + static_cast<u64>((iv1 * width + iu1) * 4);
            u8* out = &m.pixels[(u64{j} * m.w + i) * 4];
            for (int k = 0; k < 4; ++k)
                out[k] = static_cast<u8>(std::min(255.0, s00[k] * w00 + s10[k] * w10 + s01[k] * w01 + s11[k] * w11));
        }
    return m;
}

void yuy2_to_bgra(u32 width, u32 rows, const u8* src, u8* dst) {
    using i32 = std::int32_t;
    auto clamp = [](i32 v) { return static_cast<u8>(std::clamp(v, 0, 255)); };
    for (u32 row = 0; row < rows; ++row)
        for (u32 x = 0; x + 1 < width; x += 2, src += 4, dst += 8) {
            const i32 u = src[1] - 128, v = src[3] - 128;
            const i32 r = (v * 91881) >> 16, g = ((v * 46802) >> 16) + ((u * 22554) >> 16), b = (u * 116130) >> 16;
            for (u32 k = 0; k < 2; ++k) {
                const i32 y = src[k * 2];
                u8* px = dst + k * 4;
                px[0] = clamp(y + b), px[1] = clamp(y - g), px[2] = clamp(y + r), px[3] = 255;
            }
        }
}

}  // namespace zel::image_pixels
