#include "runtime/datatypes/image-record.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "runtime/codec/image-pixels.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/resource.h"

namespace zel::imaging {
namespace {

using image_codec::Bitmap;
using image_codec::FreeDeleter;

// The node's bytes: six 32-bit words, of which these two are used.
constexpr u32 record_bytes = 24;
constexpr u32 size_slot = 3;
constexpr u32 entry_slot = 4;

struct Record {
    u32 flags = 0;
    u32 width = 0;
    u32 height = 0;
    std::unique_ptr<u8, FreeDeleter> straight;
    std::unique_ptr<u8, FreeDeleter> premultiplied;
    void* device = nullptr;
    DeviceRelease device_release = nullptr;
    // Every record is listed, so that shutdown can free them all.
    Record* prev = nullptr;
    Record* next = nullptr;

    u64 pixel_count() const { return u64{width} * height; }
};

Record* first_record = nullptr;
u32 image_kind = 0;

void drop_device(Record& r) {
    if (r.device && r.device_release) r.device_release(r.device);
    r.device = nullptr;
    r.flags &= ~flag::device_used;
}

void release(void* data) {
    auto* r = static_cast<Record*>(data);
    drop_device(*r);
    if (r->prev) r->prev->next = r->next; else first_record = r->next;
    if (r->next) r->next->prev = r->prev;
    delete r;
}

u32* words(Node image) { return reinterpret_cast<u32*>(node::buffer(image)->data()); }

Record& record(Node image) {
    return *static_cast<Record*>(resource::entry(words(image)[entry_slot]).data);
}

// The collector's hook: keeps the entry, and drops a device bitmap at the second
// collection that finds it unused.
void mark(Node image) {
    const u32 entry = words(image)[entry_slot];
    if (!resource::mark(entry, nullptr)) return;
    Record& r = *static_cast<Record*>(resource::entry(entry).data);
    if (r.flags & flag::device_used) r.flags &= ~flag::device_used;
    else drop_device(r);
}

std::unique_ptr<u8, FreeDeleter> take_pixels(u64 count) {
    auto* p = static_cast<u8*>(std::calloc(count, 4));
    if (!p) memory::raise_no_memory();
    return std::unique_ptr<u8, FreeDeleter>(p);
}

}  // namespace

void init() {
    image_kind = resource::register_kind("image", release);
    gc::set_image_marker(mark);
}

void release_all() {
    while (first_record) release(first_record);
}

Bitmap new_bitmap(u32 width, u32 height) {
    image_codec::Allocation a = image_codec::allocate(width, height);
    if (!a.bitmap) memory::raise_no_memory();
    return std::move(*a.bitmap);
}

Node make_record(Bitmap bitmap) {
    gc::note_outside_bytes(bitmap.bytes());
    const Node n = memory::alloc_bytes(record_bytes);
    Buffer* b = node::buffer(n);
    std::memset(b->data(), 0, record_bytes);
    b->tail = record_bytes;
    auto* r = new Record;
    r->flags = flag::copy_valid;
    r->width = bitmap.width;
    r->height = bitmap.height;
    r->straight = std::move(bitmap.pixels);
    r->next = first_record;
    if (first_record) first_record->prev = r;
    first_record = r;
    u32* w = words(n);
    w[size_slot] = r->width | r->height << 16;
    w[entry_slot] = resource::add(r, image_kind);
    b->flags |= bufferflag::image_record;
    return n;
}

u32 width(Node image) { return words(image)[size_slot] & 0xFFFF; }
u32 height(Node image) { return words(image)[size_slot] >> 16; }
u32 size_word(Node image) { return words(image)[size_slot]; }
u32 flags(Node image) { return record(image).flags; }

const u8* pixels(Node image) {
    Record& r = record(image);
    if (r.flags & flag::copy_stale) {
        if (!r.straight) r.straight = take_pixels(r.pixel_count());
        image_pixels::unpremultiply(r.premultiplied.get(), r.straight.get(), r.pixel_count());
        r.flags = (r.flags & ~flag::copy_stale) | flag::copy_valid;
    }
    return r.straight.get();
}

u8* pixels_for_write(Node image) {
    pixels(image);
    Record& r = record(image);
    r.flags = (r.flags | flag::copy_written) & ~flag::realised;
    drop_device(r);
    return r.straight.get();
}

const u8* premultiplied(Node image) {
    Record& r = record(image);
    if (!r.premultiplied || (r.flags & flag::copy_written)) {
        if (!r.premultiplied) r.premultiplied = take_pixels(r.pixel_count());
        image_pixels::premultiply(pixels(image), r.premultiplied.get(), r.pixel_count());
        r.flags = (r.flags & ~flag::copy_written) | flag::premultiplied;
    }
    return r.premultiplied.get();
}

u8* premultiplied_for_drawing(Node image) {
    premultiplied(image);
    Record& r = record(image);
    r.flags |= flag::realised;
    return r.premultiplied.get();
}

void mark_source_changed(Node image) {
    Record& r = record(image);
    r.flags = (r.flags | flag::copy_stale) & ~flag::copy_valid;
    drop_device(r);
}

void* device_bitmap(Node image) {
    Record& r = record(image);
    r.flags |= flag::device_used;
    return r.device;
}

void set_device_bitmap(Node image, void* bitmap, DeviceRelease release) {
    Record& r = record(image);
    r.device = bitmap;
    r.device_release = release;
    // Made to be drawn: it counts as used until the next collection.
    r.flags |= flag::device_used;
}

void release_device_bitmap(Node image) { drop_device(record(image)); }

Node copy(Node image) {
    Bitmap b = new_bitmap(width(image), height(image));
    std::memcpy(b.pixels.get(), pixels(image), b.bytes());
    return make_record(std::move(b));
}

Node copy_rect(Node image, i64 x, i64 y, i64 w, i64 h) {
    const image_pixels::Rect c = image_pixels::clip({x, y, w, h}, width(image), height(image));
    if (c.empty()) return 0;
    Bitmap b = new_bitmap(static_cast<u32>(c.w), static_cast<u32>(c.h));
    image_pixels::crop(pixels(image), width(image), height(image), c, b.pixels.get());
    return make_record(std::move(b));
}

Node scale(Node image, u32 w, u32 h) {
    Bitmap b = new_bitmap(w, h);
    image_pixels::scale(pixels(image), width(image), height(image), b.pixels.get(), w, h);
    return make_record(std::move(b));
}

Node flip_vertical(Node image) {
    Bitmap b = new_bitmap(width(image), height(image));
    image_pixels::flip_vertical(pixels(image), b.width, b.height, b.pixels.get());
    return make_record(std::move(b));
}

Node make_from_memory(u32 width, u32 height, u32 stride, const u8* source) {
    Bitmap b = new_bitmap(width, height);
    const u64 row = u64{width} * 4, step = stride ? stride : row;
    for (u32 y = 0; y < height; ++y) std::memcpy(b.row(y), source + y * step, row);
    return make_record(std::move(b));
}

}  // namespace zel::imaging
