// Operations on BGRA pixel memory (rows of width x 4 bytes, no padding) that images are
// made from: nearest-neighbour scaling, vertical flip, premultiplying and its inverse,
// cropping, mapping onto a quadrilateral and YUY2 camera frames. Every rectangle is cut
// to the pixels that exist and its real size reported; no operation reads or writes
// outside the buffers it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "runtime/codec/image-codecs.h"

namespace zel::image_pixels {

using image_codec::u32;
using image_codec::u64;
using image_codec::u8;
using i64 = std::int64_t;

// Nearest-neighbour: output pixel (x, y) takes source pixel (x * sw / w, y * sh / h).
void scale(const u8* src, u32 sw, u32 sh, u8* dst, u32 w, u32 h);
// Rows in the opposite order.
void flip_vertical(const u8* src, u32 w, u32 h, u8* dst);
// Straight BGRA to premultiplied (each colour byte times alpha / 255, rounded) and back.
void premultiply(const u8* src, u8* dst, u64 pixels);
void unpremultiply(const u8* src, u8* dst, u64 pixels);

struct Rect {
    i64 x = 0, y = 0, w = 0, h = 0;
    bool empty() const { return w <= 0 || h <= 0; }
};
// The rectangle cut to a width x height image: nothing (w and h 0) when no pixel of it is
// inside, negative sizes included.
Rect clip(Rect r, u32 width, u32 height);
// Copies the clipped rectangle's rows into dst (rows of the clipped width) and answers the
// clipped rectangle.
Rect crop(const u8* src, u32 width, u32 height, Rect r, u8* dst);

// A quadrilateral's corners in order (top-left, top-right, bottom-right, bottom-left).
struct Quad {
    float x[4];
    float y[4];
};
struct Mapped {
    i64 x = 0, y = 0;
    u32 w = 0, h = 0;
    std::vector<u8> pixels;  // w x h BGRA, transparent black outside the quadrilateral
};
// The source stretched onto the quadrilateral over its bounding box, each output pixel
// the bilinear blend of the four source pixels around the point whose distances to the
// edges give its place. A quadrilateral without area (or larger than an image may be)
// gives nothing.
std::optional<Mapped> map_to_quad(const u8* src, u32 width, u32 height, const Quad& q);

// YUY2 (Y0 U Y1 V per pixel pair) to opaque BGRA with the BT.601 coefficients: red goes
// to byte 2 of each pixel, where BGRA keeps it.
void yuy2_to_bgra(u32 width, u32 rows, const u8* src, u8* dst);

}  // namespace zel::image_pixels
