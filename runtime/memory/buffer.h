// The series buffer: a 32-byte header followed by the data area that holds a series' units.
// Head and tail are byte offsets from the data start, so moving a buffer (growth,
// compaction) copies it without fixing anything inside. The data area is a multiple of 16
// bytes and starts 16-byte aligned, so cells in it are aligned.
#pragma once
#include "runtime/core/cell.h"

namespace zel {

namespace bufferflag {
constexpr u32 unit_mask = 0x1F;             // bytes per unit: 1, 2, 4 or 8; 16 for cells
constexpr u32 owned = 0x00020000;           // owned by an object field
constexpr u32 library_code = 0x00040000;    // a block of a library function's body
constexpr u32 complemented = 0x00080000;    // bitset!: the complement of its bits
constexpr u32 boot_body = 0x00800000;       // a boot image block written as a function's body literal
constexpr u32 table_record = 0x00200000;    // a hash table's record: names the table's own series
constexpr u32 image_record = 0x00400000;    // an image's record: names its native resource entry
constexpr u32 tracked_heap = 0x00100000;    // lives in the tracked heap, never moves
constexpr u32 big = 0x01000000;             // taken whole from the operating system
constexpr u32 marked = 0x08000000;          // collector mark
constexpr u32 head_at_middle = 0x10000000;  // allocated with the head in the middle
constexpr u32 allocated = 0x20000000;       // set on every buffer at allocation
constexpr u32 in_use = 0x80000000;          // cleared once the series moved to another buffer
// Bits that describe where and how a buffer was allocated: a buffer that takes over a
// series (growth, copy) gets its own, never the old buffer's.
constexpr u32 per_allocation = tracked_heap | big | marked | head_at_middle | allocated | in_use;
// Bits of the original that a copy never carries: a copy is owned by no field, is no
// library function's body and no body literal of the boot image.
constexpr u32 not_copied = owned | library_code | boot_body;
}  // namespace bufferflag

// Largest data area of a series; sizes and offsets stay 32-bit.
constexpr u32 max_series_bytes = 0x7FFFFFF0;

struct alignas(16) Buffer {
    u32 flags;
    Node node;  // the node pointing here; 0 once the series moved to another buffer
    u32 size;   // bytes in the data area
    u32 head;   // offset of the first unit from the data start
    u32 tail;   // offset just past the last unit
    u32 reserved[3];

    u8* data() { return reinterpret_cast<u8*>(this + 1); }
    u8* head_ptr() { return data() + head; }
    u8* tail_ptr() { return data() + tail; }
    u8* end() { return data() + size; }
    u32 unit() const { return flags & bufferflag::unit_mask; }
    // log2 of the unit width: unit i of the series is at head_ptr() + (i << shift()).
    u32 shift() const { return static_cast<u32>(__builtin_ctz(unit())); }
    u32 used() const { return tail - head; }
    // Whether `bytes` more fit between the tail and the end of the data area, so that a
    // series can take them without growing (a data area never exceeds max_series_bytes).
    bool room_at_tail(u64 bytes) const { return u64{tail} + bytes <= size; }
    // The cells between head and tail, in a series of cells.
    u32 cell_count() const { return used() / static_cast<u32>(sizeof(Cell)); }
    Cell* cells() { return reinterpret_cast<Cell*>(data()); }
};
static_assert(sizeof(Buffer) == 32);

// Bytes a buffer with a data area of `size` takes in a series frame.
constexpr u64 buffer_footprint(u32 size) { return sizeof(Buffer) + u64{size}; }

constexpr u64 round_up_16(u64 n) { return (n + 15) & ~u64{15}; }

}  // namespace zel
