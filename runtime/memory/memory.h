// The memory manager: pages from the operating system, the series frames buffers are
// carved from, big buffers, and the allocation entry points that pair a buffer with a node.
// Buffers are carved by bumping a frame's heap pointer and never freed one by one: the
// collector compacts frames. Any allocation may collect, and a collection may move every
// buffer that is not pinned: keep the node, re-read the buffer.
#pragma once
#include <cstddef>

#include "runtime/memory/buffer.h"

namespace zel::memory {

// The first frame with its header fills one huge page (memory.cpp checks the sum): start-up
// carves some 700 KB of buffers from it, which costs one page fault instead of nearly 200
// where the system grants the huge page.
constexpr u32 first_frame_size = 0x200000 - 64;
// Also the footprint from which a request becomes a big buffer.
constexpr u32 frame_size_cap = 0x200000;
// After a collection, a frame with less room than this is not worth filling: a new frame
// is made instead.
constexpr u32 sparse_frame_bytes = 0xCCCC;
// `offset` argument of the allocators: place the head in the middle of the data area.
constexpr i32 middle = -1;

// A series frame: this header, then the heap buffers are carved from, upward.
struct alignas(16) SeriesFrame {
    SeriesFrame* next;  // ascending address order
    SeriesFrame* prev;
    u64 total;          // header and heap
    u8* heap;           // first free byte
    u8* end;            // first byte past the frame
    u8* start() { return reinterpret_cast<u8*>(this + 1); }
};

// The record in front of a big buffer.
struct alignas(16) BigRecord {
    BigRecord* next;  // creation order
    BigRecord* prev;
    u64 size;         // bytes of the buffer, header included
    u64 reserved;
    Buffer* buffer() { return reinterpret_cast<Buffer*>(this + 1); }
};

struct Root {
    u64 bytes_taken;  // from the operating system, page-rounded
    SeriesFrame* first_frame;
    SeriesFrame* current_frame;
    SeriesFrame* last_frame;
    u32 next_frame_size;
    u32 series_frame_count;
    BigRecord* first_big;
    BigRecord* last_big;
    u32 big_count;
};
extern Root root;

struct Stats {
    u64 bytes_taken;
    u32 node_frames;
    u32 nodes_used;
    u32 series_frames;
    u32 big_buffers;
    u32 next_frame_size;
};
Stats stats();

void init();
// Returns every node frame, series frame, big buffer and tracked-heap series (shutdown).
void release_all();

// Pages from the operating system; raise internal/no-memory or internal/wrong-mem.
void* os_alloc(std::size_t size);
// os_alloc answering null instead of raising.
void* os_try_alloc(std::size_t size);
void os_free(void* p);

SeriesFrame* add_series_frame();
void release_series_frame(SeriesFrame* f);
// The first frame, in address order, with room for `bytes`; null when none has.
SeriesFrame* find_series_frame(u64 bytes);
// The frame a buffer of footprint `need` is carved from when the current one is full:
// searches, calls `collect` when none has room, and makes a new frame when still none
// has or the one found is sparse. The frame returned becomes current.
SeriesFrame* series_frame_for(u64 need, void (*collect)());

// A buffer of `count` units of `unit` bytes (data area rounded up to 16 bytes), its head
// at byte `offset` or in the middle; it has no node yet.
Buffer* alloc_buffer(u32 count, u32 unit, i32 offset);
Node alloc_series(u32 count, u32 unit, i32 offset);
// A series whose buffer lives in the tracked heap: it is never moved or collected, so the
// addresses of its cells stay valid for the life of the process. It cannot grow: filling
// it raises internal/limit-hit, so give it the capacity it will need (the tracked heap
// takes large blocks straight from the system, untouched pages cost nothing).
Node alloc_series_in_heap(u32 count, u32 unit, i32 offset);
Node alloc_cells(u32 count);
// Every cell of the data area is an unset! value with zero payload.
Node alloc_unset_cells(u32 count);
// 0 bytes gives 16.
Node alloc_bytes(u32 size);
// unit 1, 2 or 4; 0 units give 16 bytes' worth.
Node alloc_units(u32 count, u32 unit);
Node alloc_filled_bytes(u32 size, u8 byte);

// May collect (when the system refuses the memory at first).
Buffer* alloc_big_buffer(u64 bytes);
// Gives a big buffer a footprint of `bytes` (at least frame_size_cap) by resizing its
// mapping: its header and data stay as they were, up to the smaller size, without a copy,
// but the buffer may now be elsewhere (every address into it is stale; its node still
// points to the old place). Null when the system refuses; the buffer is then unchanged.
Buffer* resize_big_buffer(Buffer* b, u64 bytes);
// The buffer of series `n`, when big, resized to hold `count` units (data area rounded up
// to 16 bytes) with resize_big_buffer, its node following; size and header are otherwise
// as they were. Null when the buffer or the new footprint is not big, or the system
// refuses: the series is then unchanged. May collect, as an allocation does.
Buffer* resize_big_series(Node n, u64 count);
void free_big_buffer(Buffer* b);
// After marking: clears the mark of marked big buffers, frees the others and their nodes.
void sweep_big_buffers();

[[noreturn]] void raise_no_memory();
[[noreturn]] void raise_limit_hit(u32 limit);

// Marks a stretch of code that holds buffer addresses across no allocation, because a
// collection would move the buffers. In debug builds a series allocation inside it fails
// an assertion, so the reliance is checked rather than assumed.
class NoAllocation {
public:
#ifdef NDEBUG
    NoAllocation() {}
#else
    NoAllocation();
    ~NoAllocation();
#endif
    NoAllocation(const NoAllocation&) = delete;
    NoAllocation& operator=(const NoAllocation&) = delete;
};

// Under AddressSanitizer the free tail of every series frame is poisoned (carving a buffer
// unpoisons it), so that a Cell* kept into a buffer the collector has moved away fails
// where it is used. The collector opens the frames while it compacts and closes them
// after. Both do nothing in other builds.
void unpoison_free_tails();
void poison_free_tails();

}  // namespace zel::memory
