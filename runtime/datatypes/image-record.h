// The image record: the pixels behind image! values. An image's node is a small byte
// series (flagged image_record) holding the size and the index of a native resource entry
// of kind "image"; the entry owns a C++ record with the pixels, outside series. The
// record keeps a straight BGRA buffer and a premultiplied one in the ARGB32 layout that
// drawing uses (the same byte order, colour multiplied by alpha), each rebuilt lazily from
// the other as its flags say: whichever was written last wins. Alpha in memory is
// opacity (255 opaque). The collector marks the entry through the node; an unreachable
// node's entry is swept and its release frees the pixels.
#pragma once
#include "runtime/codec/image-codecs.h"
#include "runtime/core/cell.h"

namespace zel::imaging {

using image_codec::max_side;

namespace flag {
constexpr u32 copy_valid = 0x01;      // the straight buffer holds the pixels
constexpr u32 copy_written = 0x02;    // the straight buffer was written: rebuild the other
constexpr u32 realised = 0x08;        // the premultiplied buffer was drawn into
constexpr u32 premultiplied = 0x10;   // the premultiplied buffer exists
constexpr u32 copy_stale = 0x20;      // the premultiplied buffer was written: rebuild the copy
constexpr u32 device_used = 0x40;     // the device bitmap was used since the last collection
}  // namespace flag

// Registers the resource kind and the collector's marker; once per runtime start, after
// the resource table exists.
void init();
// Frees every record (runtime shutdown).
void release_all();

// A new image node over the bitmap's pixels (straight BGRA), which it takes. Their bytes
// count toward the collector's trigger.
Node make_record(image_codec::Bitmap bitmap);
// width x height pixels (both 1 .. max_side), zeroed; internal/no-memory when the memory is
// not had.
image_codec::Bitmap new_bitmap(u32 width, u32 height);

u32 width(Node image);
u32 height(Node image);
// The size word of the record: width in bits 0-15, height in bits 16-31.
u32 size_word(Node image);
u32 flags(Node image);

// The straight pixels for reading, rebuilt from the premultiplied ones when those were
// written last. Valid until the next call that may allocate or run code.
const u8* pixels(Node image);
// The same for writing: the premultiplied buffer and the device bitmap become stale.
u8* pixels_for_write(Node image);
// The premultiplied pixels, rebuilt from the straight ones when needed.
const u8* premultiplied(Node image);
// The premultiplied buffer to draw into; call mark_source_changed after drawing.
u8* premultiplied_for_drawing(Node image);
void mark_source_changed(Node image);

// The device bitmap a display backend made for drawing the image (null when none);
// setting or asking for it counts as a use. Setting one releases none; release_device_bitmap does.
using DeviceRelease = void (*)(void* bitmap);
void* device_bitmap(Node image);
void set_device_bitmap(Node image, void* bitmap, DeviceRelease release);
void release_device_bitmap(Node image);

// New images from an existing one: a copy, a rectangle (cut to the image; null when
// nothing is left), a nearest-neighbour scale and a vertical flip.
Node copy(Node image);
Node copy_rect(Node image, i64 x, i64 y, i64 w, i64 h);
Node scale(Node image, u32 w, u32 h);
Node flip_vertical(Node image);
// An image over width x height BGRA pixels given with their row stride (0: width x 4).
Node make_from_memory(u32 width, u32 height, u32 stride, const u8* pixels);

}  // namespace zel::imaging
