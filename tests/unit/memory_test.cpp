#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "runtime/core/raise.h"
#include "runtime/memory/heap.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/roots.h"
#include "runtime/memory/series-buffer.h"
#include "tests/unit/gc-fixture.h"
#include "tests/unit/memory-fixture.h"

using namespace zel;

namespace {

using Memory = MemoryFixture;

// The error id a call raises, or none.
bool raises(ErrorId id, const std::function<void()>& f) {
    try {
        f();
    } catch (const ErrorThrow& e) {
        return e.id == id;
    }
    return false;
}

Buffer* buf(Node n) { return node::buffer(n); }

void fill_pattern(Buffer* b) {
    for (u32 i = 0; i < b->size; ++i) b->data()[i] = static_cast<u8>(i * 7 + 1);
}

}  // namespace

TEST_F(Memory, AllocationSizes) {
    struct Row { const char* what; Node node; u32 size; u32 unit; };
    const Row rows[] = {
        {"alloc_bytes(0)", memory::alloc_bytes(0), 16, 1},
        {"alloc_bytes(17)", memory::alloc_bytes(17), 32, 1},
        {"alloc_units(0, 1)", memory::alloc_units(0, 1), 16, 1},
        {"alloc_units(0, 2)", memory::alloc_units(0, 2), 16, 2},
        {"alloc_units(0, 4)", memory::alloc_units(0, 4), 16, 4},
        {"alloc_units(3, 2)", memory::alloc_units(3, 2), 16, 2},
        {"alloc_cells(3)", memory::alloc_cells(3), 48, 16},
    };
    for (const Row& r : rows) {
        Buffer* b = buf(r.node);
        EXPECT_GE(r.node, node::base) << r.what;
        EXPECT_EQ(b->node, r.node) << r.what;
        EXPECT_EQ(b->size, r.size) << r.what;
        EXPECT_EQ(b->unit(), r.unit) << r.what;
        EXPECT_EQ(b->flags & ~bufferflag::unit_mask, bufferflag::in_use | bufferflag::allocated) << r.what;
        EXPECT_EQ(b->head, 0u) << r.what;
        EXPECT_EQ(b->tail, 0u) << r.what;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b->data()) % 16, 0u) << r.what;
    }
    EXPECT_EQ(buf(memory::alloc_units(0, 2))->size >> 1, 8u);
}

TEST_F(Memory, HeadAtMiddleStaysOnAUnit) {
    Buffer* b = buf(memory::alloc_series(3, sizeof(Cell), memory::middle));
    EXPECT_EQ(b->size, 48u);
    EXPECT_EQ(b->head, 16u);
    EXPECT_EQ(b->tail, b->head);
    EXPECT_TRUE(b->flags & bufferflag::head_at_middle);
}

TEST_F(Memory, FilledAllocations) {
    Buffer* cells = buf(memory::alloc_unset_cells(5));
    for (u32 i = 0; i < cells->size / sizeof(Cell); ++i) {
        const Cell& c = cells->cells()[i];
        EXPECT_TRUE(c.is(Type::unset));
        EXPECT_EQ(c.w1 | c.w2 | c.w3, 0u);
    }
    Buffer* bytes = buf(memory::alloc_filled_bytes(20, 0xAB));
    for (u32 i = 0; i < bytes->size; ++i) ASSERT_EQ(bytes->data()[i], 0xAB);
}

TEST_F(Memory, NodesComeFromFramesOfTenThousandSlots) {
    Node first = node::alloc();
    EXPECT_TRUE(node::is_live(first));
    EXPECT_FALSE(node::is_live(first + 1));  // a slot the frame has not handed out yet
    node::free(first);
    EXPECT_FALSE(node::is_live(first));
    EXPECT_EQ(node::alloc(), first);  // the freed slot is taken again
    for (u32 i = 1; i < node::slots_per_frame; ++i) node::alloc();
    EXPECT_EQ(memory::stats().node_frames, 1u);
    Node next = node::alloc();
    EXPECT_EQ(memory::stats().node_frames, 2u);
    EXPECT_EQ(memory::stats().nodes_used, node::slots_per_frame + 1);
    EXPECT_FALSE(node::is_live(next + 1));
    EXPECT_FALSE(node::is_live(42));
    node::free(next);
    node::sweep_frames();
    EXPECT_EQ(memory::stats().node_frames, 1u);
    EXPECT_TRUE(node::is_live(first));
}

TEST_F(Memory, SeriesFramesGrowToTheCapInAddressOrder) {
    memory::alloc_bytes(16);
    memory::Stats s = memory::stats();
    EXPECT_EQ(s.series_frames, 1u);
    EXPECT_EQ(s.next_frame_size, memory::frame_size_cap);
    EXPECT_GE(s.bytes_taken, u64{memory::first_frame_size});
    // Fill the first frame: the next request opens a 2 MB frame.
    u32 half = memory::first_frame_size / 2;
    memory::alloc_bytes(half);
    memory::alloc_bytes(half);
    EXPECT_EQ(memory::stats().series_frames, 2u);
    EXPECT_EQ(memory::root.current_frame->end - memory::root.current_frame->start(),
              memory::frame_size_cap);
    for (memory::SeriesFrame* f = memory::root.first_frame; f->next; f = f->next)
        EXPECT_LT(f, f->next);
    memory::release_all();
    EXPECT_EQ(memory::stats().bytes_taken, 0u);
}

TEST_F(Memory, SparseFrameAfterCollectionIsPassedOver) {
    // Frame A is full; frame B is current and full. A collection that leaves A with
    // `free` bytes decides whether the next request lands in A or in a new frame.
    static memory::SeriesFrame* a;
    static long free_after_collection;
    const u64 need = 4096;
    for (long free : {long{memory::sparse_frame_bytes} - 1, long{memory::sparse_frame_bytes}}) {
        memory::release_all();
        a = memory::add_series_frame();
        memory::SeriesFrame* b = memory::add_series_frame();
        a->heap = a->end;
        b->heap = b->end;
        free_after_collection = free;
        memory::SeriesFrame* got = memory::series_frame_for(need, [] { a->heap = a->end - free_after_collection; });
        if (free < memory::sparse_frame_bytes) {
            EXPECT_NE(got, a);
            EXPECT_EQ(memory::stats().series_frames, 3u);
        } else {
            EXPECT_EQ(got, a);
            EXPECT_EQ(memory::stats().series_frames, 2u);
        }
        EXPECT_EQ(memory::root.current_frame, got);
    }
}

TEST_F(Memory, BigBuffersFromTheCap) {
    constexpr u32 cap = memory::frame_size_cap;
    struct Row { u32 bytes; bool big; };
    const Row rows[] = {
        {cap - 24, true},
        {cap - sizeof(Buffer), true},
        {cap - sizeof(Buffer) - 15, true},
        {cap - sizeof(Buffer) - 16, false},
    };
    for (const Row& r : rows) {
        Buffer* b = buf(memory::alloc_bytes(r.bytes));
        EXPECT_EQ((b->flags & bufferflag::big) != 0, r.big) << r.bytes;
    }
    EXPECT_EQ(memory::stats().big_buffers, 3u);
}

TEST_F(Memory, SweepFreesUnmarkedBigBuffersAndTheirNodes) {
    Node kept = memory::alloc_bytes(memory::frame_size_cap);
    Node dead = memory::alloc_bytes(memory::frame_size_cap);
    buf(kept)->flags |= bufferflag::marked;
    u32 nodes = memory::stats().nodes_used;
    memory::sweep_big_buffers();
    EXPECT_EQ(memory::stats().big_buffers, 1u);
    EXPECT_EQ(memory::stats().nodes_used, nodes - 1);
    EXPECT_FALSE(node::is_live(dead));
    EXPECT_FALSE(buf(kept)->flags & bufferflag::marked);
}

TEST_F(Memory, PageFailuresBecomeLanguageErrors) {
    u64 taken = memory::stats().bytes_taken;
    EXPECT_TRUE(raises(ErrorId::internal_no_memory, [] { memory::os_alloc(std::size_t{1} << 50); }));
    // A block that does not start on a page cannot be returned. The fake block starts 16
    // bytes into a page-aligned array: one that happened to start on a page would be unmapped.
    alignas(4096) static u8 fake[64];
    std::size_t size = 4096;
    std::memcpy(fake + 16, &size, sizeof size);
    EXPECT_TRUE(raises(ErrorId::internal_wrong_mem, [] { memory::os_free(fake + 32); }));
    EXPECT_EQ(memory::stats().bytes_taken, taken);
}

TEST_F(Memory, ReplaceBufferSizes) {
    Node n = memory::alloc_bytes(64);
    Buffer* old = buf(n);
    Buffer* b = series_buffer::replace_buffer(old, 0);
    EXPECT_EQ(b->size, 128u);
    EXPECT_EQ(buf(n), b);
    EXPECT_EQ(b->node, n);
    EXPECT_EQ(old->node, 0u);
    EXPECT_FALSE(old->flags & bufferflag::in_use);
    EXPECT_TRUE(raises(ErrorId::internal_no_memory, [b] { series_buffer::replace_buffer(b, -1); }));
    EXPECT_TRUE(raises(ErrorId::internal_no_memory, [b] { series_buffer::replace_buffer(b, i64{1} << 32); }));
    // An empty data area still doubles into room.
    Node empty = memory::alloc_cells(0);
    EXPECT_EQ(buf(empty)->size, 0u);
    series_buffer::append_cell(buf(empty));
    EXPECT_EQ(buf(empty)->size, 16u);
}

TEST_F(Memory, ExpandKeepsDataAndPositions) {
    // A head away from the data start, units used up to the end of the data area.
    Node n = memory::alloc_series(16, 4, memory::middle);
    Buffer* b = buf(n);
    fill_pattern(b);
    b->tail = b->size;
    std::vector<u8> used(b->head_ptr(), b->tail_ptr());
    ASSERT_EQ(used.size(), 32u);
    for (i64 size : {i64{0}, i64{1000}}) {
        b = series_buffer::expand(buf(n), size);
        EXPECT_EQ(b->head, 0u);
        ASSERT_EQ(b->used(), used.size());
        EXPECT_EQ(std::memcmp(b->head_ptr(), used.data(), used.size()), 0);
        EXPECT_EQ(b->unit(), 4u);
        EXPECT_FALSE(b->flags & bufferflag::head_at_middle);
    }
    // Shrinking below the used length cuts the series instead of overrunning the buffer.
    b = series_buffer::expand(b, 4);
    EXPECT_EQ(b->size, 16u);
    EXPECT_EQ(b->used(), 16u);
    EXPECT_EQ(std::memcmp(b->head_ptr(), used.data(), 16), 0);
}

TEST_F(Memory, GrowthRecomputesLocationFlags) {
    Node n = memory::alloc_bytes(memory::frame_size_cap);
    Buffer* b = buf(n);
    b->flags |= bufferflag::owned | bufferflag::complemented | bufferflag::marked;
    b = series_buffer::expand(b, 64);
    EXPECT_EQ(b->flags, 1 | bufferflag::owned | bufferflag::complemented | bufferflag::in_use |
                            bufferflag::allocated);
    b = series_buffer::expand(b, memory::frame_size_cap);
    EXPECT_TRUE(b->flags & bufferflag::big);
    Buffer* filled = series_buffer::expand_filled(buf(memory::alloc_filled_bytes(16, 1)), 64, 9);
    EXPECT_EQ(filled->data()[15], 1);
    EXPECT_EQ(filled->data()[16], 9);
    EXPECT_EQ(filled->data()[63], 9);
}

// A big buffer growing or shrinking to another big size is resized where its pages are:
// the data from the head comes first, the node follows the buffer, and the list of big
// buffers stays whole for the sweep.
TEST_F(Memory, BigBuffersResizeTheirPages) {
    constexpr u32 cap = memory::frame_size_cap;
    const Node before = memory::alloc_bytes(cap);
    const Node n = memory::alloc_series(cap, 4, memory::middle);
    const Node after = memory::alloc_bytes(cap);
    Buffer* b = buf(n);
    fill_pattern(b);
    b->tail = b->size;
    const std::vector<u8> used(b->head_ptr(), b->tail_ptr());
    const u32 all = static_cast<u32>(used.size());
    // Pages taken from the system by a resize: +1 more, -1 fewer (a move to a frame leaves
    // the old buffer to the sweep).
    struct Row { i64 size; u32 expect_size; u32 expect_used; bool big; int pages; };
    const Row rows[] = {
        {i64{cap} * 8, cap * 8, all, true, +1},
        {i64{cap} * 3 + 1, cap * 3 + 16, all, true, -1},
        {i64{cap} - 16, cap - 16, cap - 16, true, -1},
        {i64{cap} / 2, cap / 2, cap / 2, false, 0},
    };
    u64 taken = memory::stats().bytes_taken;
    for (const Row& r : rows) {
        b = series_buffer::expand(buf(n), r.size);
        EXPECT_EQ(buf(n), b) << r.size;
        EXPECT_EQ(b->node, n) << r.size;
        EXPECT_EQ(b->size, r.expect_size) << r.size;
        EXPECT_EQ((b->flags & bufferflag::big) != 0, r.big) << r.size;
        EXPECT_FALSE(b->flags & bufferflag::head_at_middle) << r.size;
        EXPECT_EQ(b->head, 0u) << r.size;
        ASSERT_EQ(b->used(), r.expect_used) << r.size;
        EXPECT_EQ(std::memcmp(b->head_ptr(), used.data(), r.expect_used), 0) << r.size;
        const u64 now = memory::stats().bytes_taken;
        if (r.big) {
            EXPECT_EQ((now > taken) - (now < taken), r.pages) << r.size;
        }
        taken = now;
    }
    // The sweep walks the list on both sides of the resized buffer, now freed.
    buf(before)->flags |= bufferflag::marked;
    memory::sweep_big_buffers();
    EXPECT_EQ(memory::stats().big_buffers, 1u);
    EXPECT_TRUE(node::is_live(before));
    EXPECT_FALSE(node::is_live(after));
}

TEST_F(Memory, AppendCellDoublesAFullBlock) {
    Node n = memory::alloc_cells(2);
    Cell value{header_of(Type::block), 0, n, 0};
    for (int i = 0; i < 2; ++i) series_buffer::append_cell(value)->w1 = static_cast<u32>(i);
    // Payload left in the free part of the area must come through untouched.
    Buffer* b = buf(n);
    EXPECT_EQ(b->size, 32u);
    Cell* c = series_buffer::append_cell(b);
    b = buf(n);
    EXPECT_EQ(b->size, 64u);
    EXPECT_EQ(b->used(), 48u);
    EXPECT_EQ(c, b->cells() + 2);
    EXPECT_TRUE(c->is(Type::unset));
    EXPECT_EQ(b->cells()[1].w1, 1u);
    c->w3 = 77;
    b->tail -= static_cast<u32>(sizeof(Cell));
    EXPECT_EQ(series_buffer::append_cell(b)->w3, 77u);
}

TEST_F(Memory, ReserveTail) {
    struct Row { u32 size; u32 used; u32 n; u32 new_size; };
    const Row rows[] = {
        {16, 10, 6, 16},   // fits
        {16, 10, 7, 32},   // doubles
        {16, 10, 40, 80},  // twice the request
    };
    for (const Row& r : rows) {
        Node s = memory::alloc_bytes(r.size);
        Buffer* b = buf(s);
        fill_pattern(b);
        b->tail = r.used;
        u8* p = series_buffer::reserve_tail(b, r.n);
        b = buf(s);
        EXPECT_EQ(b->size, r.new_size) << r.n;
        EXPECT_EQ(p, b->data() + r.used) << r.n;
        EXPECT_EQ(b->tail, r.used + r.n) << r.n;
        EXPECT_EQ(b->data()[9], static_cast<u8>(9 * 7 + 1)) << r.n;
    }
}

TEST_F(Memory, CopySliceKeepsUnitsAndDropsOwnership) {
    Node src = memory::alloc_series(8, 2, memory::middle);
    Buffer* s = buf(src);
    s->flags |= bufferflag::owned;
    auto* units = reinterpret_cast<u16*>(s->head_ptr());
    for (u16 i = 0; i < 4; ++i) units[i] = static_cast<u16>(0x100 + i);
    s->tail = s->head + 8;
    struct Row { u32 start; u32 count; u32 bytes; u16 first; };
    const Row rows[] = {{1, 2, 4, 0x101}, {0, 4, 8, 0x100}, {3, 9, 2, 0x103}, {6, 2, 0, 0}};
    for (const Row& r : rows) {
        Buffer* d = buf(series_buffer::copy_slice(src, r.start, r.count));
        EXPECT_EQ(d->unit(), 2u);
        EXPECT_EQ(d->used(), r.bytes);
        EXPECT_EQ(d->flags & ~bufferflag::unit_mask, bufferflag::in_use | bufferflag::allocated);
        if (r.bytes) {
            EXPECT_EQ(reinterpret_cast<u16*>(d->head_ptr())[0], r.first);
        }
    }
}

TEST_F(Memory, CopyBuffer) {
    Node src = memory::alloc_units(8, 4);
    Buffer* s = buf(src);
    fill_pattern(s);
    s->head = 4;
    s->tail = 20;
    Buffer* d = buf(series_buffer::copy_buffer(s));
    EXPECT_EQ(d->size, s->size);
    EXPECT_EQ(d->unit(), 4u);
    EXPECT_EQ(d->used(), 16u);
    EXPECT_EQ(std::memcmp(d->head_ptr(), s->head_ptr(), s->size - s->head), 0);
}

TEST_F(Memory, TrackedHeapSeriesNeverMove) {
    std::size_t heap_blocks = heap::block_count();
    Node n = memory::alloc_series_in_heap(3, sizeof(Cell), 0);
    Buffer* b = buf(n);
    EXPECT_TRUE(b->flags & bufferflag::tracked_heap);
    Cell* first = series_buffer::append_cell(b);
    series_buffer::append_cell(b);
    series_buffer::append_cell(b);
    EXPECT_TRUE(raises(ErrorId::internal_limit_hit, [b] { series_buffer::append_cell(b); }));
    EXPECT_EQ(buf(n), b);
    EXPECT_EQ(first, b->cells());
    EXPECT_EQ(b->used(), 48u);
    memory::release_all();
    EXPECT_EQ(heap::block_count(), heap_blocks);
}

TEST_F(Memory, RootCellsKeepTheirAddresses) {
    Cell root{header_of(Type::block), 0, memory::alloc_series_in_heap(64, sizeof(Cell), 0), 0};
    roots::set_block(root);
    Cell* first = series_buffer::append_cell(roots::block());
    *first = Cell{header_of(Type::object), node::base + 9, 3, 0};
    for (int i = 0; i < 40; ++i) series_buffer::append_cell(roots::block());
    memory::alloc_bytes(memory::first_frame_size);
    EXPECT_EQ(roots::cell_at(0), first);
    EXPECT_EQ(roots::cell_at(40), first + 40);
    EXPECT_EQ(roots::word1_at(0), node::base + 9);
}

// Code that holds buffer addresses marks the stretch with a NoAllocation scope; an
// allocation inside it stops a debug build at once.
TEST_F(Memory, AllocatingInsideANoAllocationScopeFailsInDebugBuilds) {
    EXPECT_DEBUG_DEATH(
        {
            const memory::NoAllocation steady;
            memory::alloc_cells(1);
        },
        "NoAllocation");
}

#ifdef __SANITIZE_ADDRESS__
using Poisoned = GcFixture;

// Under the address sanitizer the space a compaction frees is poisoned: reading a buffer
// at the address it had before the collector moved it fails where it happens.
TEST_F(Poisoned, AStalePointerIntoAMovedBufferFails) {
    // Kept as a disguised number, so that the native stack scan does not pin the buffer.
    constexpr std::uintptr_t disguise = 0x5A5A5A5A5A5A5A5A;
    std::uintptr_t stale = 0;
    [&]() __attribute__((noinline)) {
        memory::alloc_bytes(4000);
        const Node kept = memory::alloc_bytes(64);
        keep(Cell{header_of(Type::binary), 0, kept, 0});
        stale = reinterpret_cast<std::uintptr_t>(node::buffer(kept)->head_ptr()) ^ disguise;
    }();
    collect();
    ASSERT_NE(reinterpret_cast<std::uintptr_t>(node::buffer(root_at(0).w2)->head_ptr()), stale ^ disguise);
    EXPECT_DEATH(*reinterpret_cast<volatile u8*>(stale ^ disguise), "use-after-poison");
}
#endif
