// Pixel operations on plain BGRA memory: cropping (clamped, reporting the real size),
// nearest-neighbour scaling, flipping, premultiplying, mapping onto a quadrilateral and
// YUY2 frames.
#include <gtest/gtest.h>

#include <vector>

#include "runtime/codec/image-pixels.h"

using namespace zel::image_pixels;
using Bytes = std::vector<zel::image_pixels::u8>;

namespace {

// w x h pixels whose B byte is the pixel's index, G its column, R its row, opaque.
Bytes numbered(u32 w, u32 h) {
    Bytes b(u64{w} * h * 4);
    for (u32 y = 0; y < h; ++y)
        for (u32 x = 0; x < w; ++x) {
            u8* p = &b[(u64{y} * w + x) * 4];
            p[0] = static_cast<u8>(y * w + x), p[1] = static_cast<u8>(x), p[2] = static_cast<u8>(y), p[3] = 255;
        }
    return b;
}

u8 index_at(const Bytes& b, u32 w, u32 x, u32 y) { return b[(u64{y} * w + x) * 4]; }

TEST(ImagePixels, CropClampsAndReportsTheRealSize) {
    const Bytes src = numbered(4, 3);
    const struct {
        Rect asked, got;
    } cases[] = {
        {{1, 1, 2, 2}, {1, 1, 2, 2}},
        {{2, 1, 5, 5}, {2, 1, 2, 2}},   // past the right and bottom edges
        {{-1, -1, 2, 2}, {0, 0, 1, 1}},  // before the top-left corner
        {{4, 0, 1, 1}, {0, 0, 0, 0}},    // x at the width: nothing
        {{0, 0, -2, 2}, {0, 0, 0, 0}},   // a negative size
        {{0, 3, 1, 1}, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        Bytes dst(src.size(), 0xEE);
        const Rect r = crop(src.data(), 4, 3, c.asked, dst.data());
        EXPECT_EQ(r.x, c.got.x);
        EXPECT_EQ(r.y, c.got.y);
        EXPECT_EQ(r.w, c.got.w);
        EXPECT_EQ(r.h, c.got.h);
        // Rows are packed at the clipped width.
        for (i64 y = 0; y < r.h; ++y)
            for (i64 x = 0; x < r.w; ++x)
                EXPECT_EQ(dst[static_cast<u64>((y * r.w + x) * 4)], index_at(src, 4, static_cast<u32>(r.x + x), static_cast<u32>(r.y + y)));
        EXPECT_EQ(dst[static_cast<u64>(r.w * r.h * 4)], 0xEE) << "nothing written past the crop";
    }
}

TEST(ImagePixels, ScaleTakesTheNearestPixelAndFlipReversesRows) {
    const Bytes src = numbered(4, 2);
    Bytes up(8 * 4 * 4), down(2 * 1 * 4), flipped(src.size());
    scale(src.data(), 4, 2, up.data(), 8, 4);
    for (u32 y = 0; y < 4; ++y)
        for (u32 x = 0; x < 8; ++x) EXPECT_EQ(index_at(up, 8, x, y), index_at(src, 4, x / 2, y / 2));
    scale(src.data(), 4, 2, down.data(), 2, 1);
    EXPECT_EQ(index_at(down, 2, 0, 0), 0);
    EXPECT_EQ(index_at(down, 2, 1, 0), 2);
    flip_vertical(src.data(), 4, 2, flipped.data());
    EXPECT_EQ(index_at(flipped, 4, 3, 0), index_at(src, 4, 3, 1));
}

TEST(ImagePixels, PremultiplyingAndBack) {
    const Bytes straight = {200, 100, 50, 128, 10, 20, 30, 0, 1, 2, 3, 255};
    Bytes pre(straight.size()), back(straight.size());
    premultiply(straight.data(), pre.data(), 3);
    EXPECT_EQ(pre, (Bytes{100, 50, 25, 128, 0, 0, 0, 0, 1, 2, 3, 255}));
    unpremultiply(pre.data(), back.data(), 3);
    EXPECT_EQ(back, (Bytes{199, 100, 50, 128, 0, 0, 0, 0, 1, 2, 3, 255}));
}

TEST(ImagePixels, MapOntoQuadrilaterals) {
    const Bytes src = numbered(8, 8);
    // The image's own rectangle gives the image back, placed where the corners say.
    const auto same = map_to_quad(src.data(), 8, 8, {{10, 18, 18, 10}, {20, 20, 28, 28}});
    ASSERT_TRUE(same);
    EXPECT_EQ(same->x, 10);
    EXPECT_EQ(same->y, 20);
    EXPECT_EQ(same->w, 8u);
    EXPECT_EQ(same->h, 8u);
    for (u32 y = 0; y < 8; ++y)
        for (u32 x = 0; x < 8; ++x) EXPECT_NEAR(index_at(same->pixels, 8, x, y), index_at(src, 8, x, y), 1);
    // A trapezoid narrower at the top leaves the corners outside it transparent black.
    const auto narrow = map_to_quad(src.data(), 8, 8, {{2, 6, 8, 0}, {0, 0, 8, 8}});
    ASSERT_TRUE(narrow);
    EXPECT_EQ(narrow->pixels[3], 0) << "top-left corner is outside";
    // Quadrilaterals without area, or with non-finite corners, give nothing, never NaN
    // turned into an index.
    EXPECT_FALSE(map_to_quad(src.data(), 8, 8, {{0, 8, 8, 0}, {0, 0, 0, 0}}));
    EXPECT_FALSE(map_to_quad(src.data(), 8, 8, {{0, 0, 0, 0}, {0, 0, 0, 0}}));
    EXPECT_FALSE(map_to_quad(src.data(), 8, 8, {{0, 4, 4, 4}, {0, 0, 4, 4}}));
    EXPECT_FALSE(map_to_quad(src.data(), 8, 8, {{0, 1e30f, 8, 0}, {0, 0, 8, 8}}));
    EXPECT_FALSE(map_to_quad(src.data(), 0, 8, {{0, 8, 8, 0}, {0, 0, 8, 8}}));
}

TEST(ImagePixels, Yuy2PutsRedInTheRedByte) {
    const struct {
        u8 yuyv[4];
        u8 b, g, r;
    } cases[] = {
        {{128, 128, 128, 128}, 128, 128, 128},
        {{76, 85, 76, 255}, 0, 0, 254},    // BT.601 red
        {{29, 255, 29, 107}, 254, 0, 0},   // BT.601 blue
        {{0, 128, 255, 128}, 0, 0, 0},     // clamped at both ends: Y0 black...
    };
    for (const auto& c : cases) {
        u8 out[8];
        yuy2_to_bgra(2, 1, c.yuyv, out);
        EXPECT_NEAR(out[0], c.b, 2);
        EXPECT_NEAR(out[1], c.g, 2);
        EXPECT_NEAR(out[2], c.r, 2);
        EXPECT_EQ(out[3], 255);
    }
    const u8 white[4] = {0, 128, 255, 128};
    u8 out[8];
    yuy2_to_bgra(2, 1, white, out);
    EXPECT_EQ(out[4], 255) << "...and Y1 white";
}

}  // namespace
