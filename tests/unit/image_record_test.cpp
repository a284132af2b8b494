// The image record: kept by the collector while an image! value reaches its node, freed
// (its device bitmap released) once none does; an unused device bitmap dropped at the
// second collection; the straight and premultiplied buffers rebuilt from whichever was
// written last.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/datatypes/image-record.h"
#include "runtime/datatypes/image.h"
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
