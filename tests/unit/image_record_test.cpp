// The image record: kept by the collector while an image! value reaches its node, freed
// (its device bitmap released) once none does; an unused device bitmap dropped at the
// second collection; the straight and premultiplied buffers rebuilt from whichever was
// written last.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/datatypes/image-record.h"
#include "runtime/datatypes/image.h"
#include "runtime/core/raise.h"
#include "runtime/lexer/lexer-text.h"
#include "runtime/memory/node.h"
#include "runtime/text/string-utf8.h"
#include "runtime/memory/resource.h"
#include "tests/unit/gc-fixture.h"

using namespace zel;

namespace {

int released = 0;
int device_object;
void release_device(void*) { ++released; }

class ImageRecord : public GcFixture {
protected:
    void SetUp() override {
        GcFixture::SetUp();
        resource::init();
        imaging::init();
        released = 0;
    }
    void TearDown() override {
        imaging::release_all();
        resource::shutdown();
        GcFixture::TearDown();
    }

    static __attribute__((noinline)) Cell new_image(u32 w, u32 h) {
        return image::cell(imaging::make_record(imaging::new_bitmap(w, h)));
    }
    static __attribute__((noinline)) void make_lost_image_of(u32 w, u32 h) { new_image(w, h); }
    // An image reachable from nothing, with a device bitmap.
    static __attribute__((noinline)) void make_lost_image() {
        const Cell lost = new_image(2, 2);
        imaging::set_device_bitmap(lost.w2, &device_object, release_device);
    }
};

TEST_F(ImageRecord, LivesWhileReachedAndDropsAnUnusedDeviceBitmap) {
    keep(new_image(3, 2));
    const Node n = root_at(0).w2;
    imaging::set_device_bitmap(n, &device_object, release_device);
    collect();
    EXPECT_EQ(released, 0) << "the first collection only notes that it was not used";
    EXPECT_EQ(imaging::device_bitmap(n), &device_object);  // a use
    collect();
    EXPECT_EQ(released, 0) << "used since the last collection";
    collect();
    collect();
    EXPECT_EQ(released, 1) << "two collections without a use";
    EXPECT_EQ(imaging::width(root_at(0).w2), 3u);
    EXPECT_EQ(imaging::height(root_at(0).w2), 2u);

    make_lost_image();
    collect();
    EXPECT_EQ(released, 2) << "an unreachable record is freed with its device bitmap";
}

// Pixels live outside series, yet taking many of them starts collections, which free the
// images nothing reaches.
TEST_F(ImageRecord, PixelMemoryCountsTowardCollections) {
    gc::set_enabled(true);
    const u32 before = gc::stats().collections;
    for (int k = 0; k < 6; ++k) make_lost_image_of(4096, 1024);  // 16 MiB each
    EXPECT_GT(gc::stats().collections, before);
    gc::set_enabled(false);
}

TEST_F(ImageRecord, BuffersFollowWhicheverWasWrittenLast) {
    keep(new_image(2, 1));
    const Node n = root_at(0).w2;
    const u8 pixels[8] = {200, 100, 50, 128, 1, 2, 3, 255};
    std::memcpy(imaging::pixels_for_write(n), pixels, 8);
    const u8* pre = imaging::premultiplied(n);
    EXPECT_EQ(pre[0], 100);
    EXPECT_EQ(pre[3], 128);
    EXPECT_EQ(pre[4], 1);
    // Drawing writes premultiplied pixels; the straight ones follow.
    u8* canvas = imaging::premultiplied_for_drawing(n);
    canvas[4] = 40, canvas[5] = 40, canvas[6] = 40, canvas[7] = 128;
    imaging::mark_source_changed(n);
    EXPECT_EQ(imaging::pixels(n)[4], 80);
    EXPECT_EQ(imaging::pixels(n)[7], 128);
    imaging::pixels_for_write(n)[0] = 0;
    EXPECT_EQ(imaging::premultiplied(n)[0], 0);
}

TEST_F(ImageRecord, DerivedImages) {
    keep(new_image(3, 2));
    const Node n = root_at(0).w2;
    u8* p = imaging::pixels_for_write(n);
    for (u32 k = 0; k < 6; ++k) p[k * 4] = static_cast<u8>(k);
    keep(image::cell(imaging::copy_rect(n, 1, 0, 5, 5)));
    EXPECT_EQ(imaging::width(root_at(1).w2), 2u) << "cut to the image";
    EXPECT_EQ(imaging::height(root_at(1).w2), 2u);
    EXPECT_EQ(imaging::pixels(root_at(1).w2)[4 * 2], 4);
    EXPECT_EQ(imaging::copy_rect(n, 3, 0, 1, 1), 0u);
    keep(image::cell(imaging::flip_vertical(n)));
    EXPECT_EQ(imaging::pixels(root_at(2).w2)[0], 3);
    keep(image::cell(imaging::scale(n, 6, 4)));
    EXPECT_EQ(imaging::pixels(root_at(3).w2)[(6 * 2 + 5) * 4], 5);
}

}  // namespace

namespace {

using Bytes = std::vector<u8>;

// The error id a call raises; the test fails when it raises none.
template <class F>
ErrorId raised_by(F&& f) {
    try {
        f();
    } catch (const ErrorThrow& e) {
        return e.id;
    }
    ADD_FAILURE() << "no error raised";
    return ErrorId{};
}

Cell binary_of(const Bytes& b) { return lexer::make_bytes(Type::binary, b.data(), static_cast<u32>(b.size())); }

TEST_F(ImageRecord, CodecEntries) {
    keep(new_image(2, 1));
    u8* p = imaging::pixels_for_write(root_at(0).w2);
    const u8 pixels[8] = {1, 2, 3, 255, 4, 5, 6, 0};
    std::memcpy(p, pixels, 8);
    // Every format round-trips through the entries; the lossless ones exactly.
    for (u32 format : {0u, 1u, 4u}) {
        const Cell encoded = image::image_codec_encode(root_at(0), none_cell, format);
        keep(encoded);
        const Cell decoded = image::image_codec_decode(encoded);
        ASSERT_TRUE(decoded.is(Type::image)) << format;
        EXPECT_EQ(std::memcmp(imaging::pixels(decoded.w2), pixels, 8), 0) << format;
    }
    // The bytes of a binary are read from its position.
    Cell later = image::image_codec_encode(root_at(0), none_cell, 1);
    Bytes shifted = {9, 9, 9};
    Buffer* b = node::buffer(later.w2);
    shifted.insert(shifted.end(), b->head_ptr(), b->head_ptr() + b->used());
    Cell at_position = binary_of(shifted);
    at_position.w1 = 3;
    EXPECT_TRUE(image::image_codec_decode(at_position).is(Type::image));
    // Unknown bytes are none; known signatures with bad contents, bad media; a file that
    // gives no image cannot be opened.
    EXPECT_TRUE(image::image_codec_decode(binary_of({'h', 'e', 'l', 'l', 'o'})).is(Type::none));
    EXPECT_EQ(raised_by([] { image::image_codec_decode(binary_of({0x89, 'P', 'N', 'G', 0, 0})); }),
              ErrorId::access_bad_media);
    EXPECT_EQ(raised_by([] { image::image_codec_decode(binary_of({'B', 'M', 1, 2, 3})); }), ErrorId::access_bad_media);
    EXPECT_EQ(raised_by([] { image::image_codec_decode(unicode::string_of_utf8("/no/such/file.png", Type::file)); }),
              ErrorId::access_cannot_open);
    EXPECT_EQ(raised_by([] { image::image_codec_decode(unicode::string_of_utf8("/dev/null", Type::file)); }),
              ErrorId::access_cannot_open);
    // An empty image has nothing to encode.
    EXPECT_EQ(raised_by([] { image::image_codec_encode(image::cell(0), none_cell, 1); }), ErrorId::access_bad_media);
    EXPECT_EQ(raised_by([&] { image::image_codec_encode(root_at(0), none_cell, 5); }), ErrorId::script_invalid_arg);
}

}  // namespace
