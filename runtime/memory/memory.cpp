#include "runtime/memory/memory.h"

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cassert>
#include <cstring>

#include "platform/posix/pages.h"
#include "runtime/core/raise.h"
#include "runtime/memory/gc-entry.h"
#include "runtime/memory/heap.h"
#include "runtime/memory/node.h"

namespace zel::memory {

Root root;

namespace {

#ifndef NDEBUG
u32 no_allocation_scopes = 0;
#endif

void check_may_allocate() { assert(no_allocation_scopes == 0 && "series allocated inside a NoAllocation scope"); }

void poison_tail(SeriesFrame* f) { ASAN_POISON_MEMORY_REGION(f->heap, static_cast<std::size_t>(f->end - f->heap)); }

// os_alloc keeps the block's rounded size in front of the address it returns; 16 bytes
// keep that address 16-byte aligned.
constexpr std::size_t os_prefix = 16;
static_assert(os_prefix + sizeof(SeriesFrame) + first_frame_size == platform::huge_page_size);

u32 data_size(u32 count, u32 unit) {
    u64 bytes = round_up_16(u64{count} * unit);
    if (bytes > max_series_bytes) raise_no_memory();
    return static_cast<u32>(bytes);
}

void init_header(Buffer* b, u32 size, u32 unit, i32 offset, u32 flags) {
    b->flags = unit | bufferflag::in_use | bufferflag::allocated | flags;
    b->node = 0;
    b->size = size;
    if (offset == middle) {
        // Rounded down to a whole unit so that cells stay aligned.
        b->head = size / 2 / unit * unit;
        b->flags |= bufferflag::head_at_middle;
    } else {
        b->head = static_cast<u32>(offset);
    }
    b->tail = b->head;
}

Node attach_node(Buffer* b) {
    Node n = node::alloc();
    node::set_buffer(n, b);
    b->node = n;
    return n;
}

bool has_room(const SeriesFrame* f, u64 need) {
    return need < static_cast<u64>(f->end - f->heap);
}

void free_tracked_heap_series() {
    for (node::Frame* f = node::list.first; f; f = f->next)
        for (u32 i = 0; i < f->fresh; ++i) {
            node::Slot s = f->slots[i];
            if (s == 0 || (s & 1)) continue;
            auto* b = reinterpret_cast<Buffer*>(s);
            if (b->flags & bufferflag::tracked_heap) heap::free(b);
        }
}

}  // namespace

void raise_no_memory() { raise(ErrorId::internal_no_memory); }

void raise_limit_hit(u32 limit) {
    Cell arg{header_of(Type::integer), 0, limit, 0};
    raise(ErrorId::internal_limit_hit, &arg);
}

void init() {
    root = Root{};
    root.next_frame_size = first_frame_size;
}

void release_all() {
    free_tracked_heap_series();
    node::release_all();
    while (root.first_big) free_big_buffer(root.first_big->buffer());
    while (root.first_frame) release_series_frame(root.first_frame);
    init();
}

void* os_try_alloc(std::size_t size) {
    std::size_t page = platform::page_size();
    std::size_t total = (size + os_prefix + page - 1) / page * page;
    void* p = platform::alloc_pages(total);
    if (!p) return nullptr;
    root.bytes_taken += total;
    *static_cast<std::size_t*>(p) = total;
    return static_cast<u8*>(p) + os_prefix;
}

void* os_alloc(std::size_t size) {
    void* p = os_try_alloc(size);
    if (!p) raise_no_memory();
    return p;
}

void os_free(void* p) {
    u8* block = static_cast<u8*>(p) - os_prefix;
    std::size_t total = *reinterpret_cast<std::size_t*>(block);
    if (!platform::free_pages(block, total)) raise(ErrorId::internal_wrong_mem);
    root.bytes_taken -= total;
}

SeriesFrame* add_series_frame() {
    u32 size = root.next_frame_size;
    auto* f = static_cast<SeriesFrame*>(os_alloc(sizeof(SeriesFrame) + size));
    f->total = sizeof(SeriesFrame) + u64{size};
    f->heap = f->start();
    f->end = f->start() + size;
    poison_tail(f);
    SeriesFrame* after = root.first_frame;
    while (after && after < f) after = after->next;
    f->next = after;
    f->prev = after ? after->prev : root.last_frame;
    if (f->prev) f->prev->next = f; else root.first_frame = f;
    if (after) after->prev = f; else root.last_frame = f;
    if (!root.current_frame) root.current_frame = f;
    ++root.series_frame_count;
    if (root.next_frame_size < frame_size_cap)
        root.next_frame_size = std::min(root.next_frame_size * 2, frame_size_cap);
    return f;
}

void release_series_frame(SeriesFrame* f) {
    if (f->prev) f->prev->next = f->next; else root.first_frame = f->next;
    if (f->next) f->next->prev = f->prev; else root.last_frame = f->prev;
    if (root.current_frame == f) root.current_frame = root.first_frame;
    --root.series_frame_count;
    ASAN_UNPOISON_MEMORY_REGION(f, f->total);
    os_free(f);
}

#ifndef NDEBUG
NoAllocation::NoAllocation() { ++no_allocation_scopes; }
NoAllocation::~NoAllocation() { --no_allocation_scopes; }
#endif

void unpoison_free_tails() {
    for (SeriesFrame* f = root.first_frame; f; f = f->next)
        ASAN_UNPOISON_MEMORY_REGION(f->heap, static_cast<std::size_t>(f->end - f->heap));
}

void poison_free_tails() {
    for (SeriesFrame* f = root.first_frame; f; f = f->next) poison_tail(f);
}

SeriesFrame* find_series_frame(u64 bytes) {
    for (SeriesFrame* f = root.first_frame; f; f = f->next)
        if (has_room(f, bytes)) return f;
    return nullptr;
}

// After a collection that left the frames mostly full of live buffers, the next one would
// come after only a few more allocations and mark the same buffers again: frames are added
// until the free room matches the live bytes, so that the collector's work per allocated
// byte stays bounded however much is live.
void make_room_for_live() {
    u64 live = 0;
    u64 room = 0;
    for (SeriesFrame* f = root.first_frame; f; f = f->next) {
        live += static_cast<u64>(f->heap - f->start());
        room += static_cast<u64>(f->end - f->heap);
    }
    while (room < live) {
        root.next_frame_size = frame_size_cap;
        const SeriesFrame* added = add_series_frame();
        room += static_cast<u64>(added->end - added->heap);
    }
}

SeriesFrame* series_frame_for(u64 need, void (*collect)()) {
    SeriesFrame* f = find_series_frame(need);
    if (!f) {
        const u32 collections = gc::collection_count();
        collect();
        if (gc::collection_count() != collections) make_room_for_live();
        f = find_series_frame(need);
        if (!f || f->end - f->heap < sparse_frame_bytes) {
            if (need >= root.next_frame_size) root.next_frame_size = frame_size_cap;
            f = add_series_frame();
        }
    }
    root.current_frame = f;
    return f;
}

Buffer* alloc_buffer(u32 count, u32 unit, i32 offset) {
    check_may_allocate();
    gc::on_series_allocation();
    u32 size = data_size(count, unit);
    u64 need = buffer_footprint(size);
    Buffer* b;
    u32 flags = 0;
    if (need >= frame_size_cap) {
        gc::on_big_allocation(need);
        b = alloc_big_buffer(need);
        flags = bufferflag::big;
    } else {
        SeriesFrame* f = root.current_frame;
        if (!f || !has_room(f, need)) f = series_frame_for(need, gc::on_allocation);
        b = reinterpret_cast<Buffer*>(f->heap);
        ASAN_UNPOISON_MEMORY_REGION(b, need);
        f->heap += need;
    }
    init_header(b, size, unit, offset, flags);
    return b;
}

Node alloc_series(u32 count, u32 unit, i32 offset) {
    return attach_node(alloc_buffer(count, unit, offset));
}

Node alloc_series_in_heap(u32 count, u32 unit, i32 offset) {
    check_may_allocate();
    gc::on_series_allocation();
    u32 size = data_size(count, unit);
    auto* b = static_cast<Buffer*>(heap::alloc(buffer_footprint(size)));
    init_header(b, size, unit, offset, bufferflag::tracked_heap);
    return attach_node(b);
}

Node alloc_cells(u32 count) { return alloc_series(count, sizeof(Cell), 0); }

Node alloc_unset_cells(u32 count) {
    Node n = alloc_cells(count);
    Buffer* b = node::buffer(n);
    Cell* cells = b->cells();
    std::fill(cells, cells + b->size / sizeof(Cell), Cell{header_of(Type::unset), 0, 0, 0});
    return n;
}

Node alloc_bytes(u32 size) { return alloc_series(size ? size : 16, 1, 0); }

Node alloc_units(u32 count, u32 unit) {
    return alloc_series(count ? count : 16 >> (unit / 2), unit, 0);
}

Node alloc_filled_bytes(u32 size, u8 byte) {
    Node n = alloc_bytes(size);
    Buffer* b = node::buffer(n);
    // A big buffer is a fresh mapping, whose pages the system zeroes as they are first
    // touched: zeros written now would fill every page twice.
    if (byte == 0 && (b->flags & bufferflag::big)) return n;
    std::memset(b->data(), byte, b->size);
    return n;
}

Buffer* alloc_big_buffer(u64 bytes) {
    // Dead big buffers may be waiting for the next collection (the budget lets them
    // accumulate): when the system refuses, they are given back first and the request
    // tried once more.
    void* p = os_try_alloc(sizeof(BigRecord) + bytes);
    if (!p) {
        gc::on_allocation();
        p = os_alloc(sizeof(BigRecord) + bytes);
    }
    auto* r = static_cast<BigRecord*>(p);
    r->next = nullptr;
    r->prev = root.last_big;
    r->size = bytes;
    if (root.last_big) root.last_big->next = r; else root.first_big = r;
    root.last_big = r;
    ++root.big_count;
    return r->buffer();
}

Buffer* resize_big_buffer(Buffer* b, u64 bytes) {
    BigRecord* r = reinterpret_cast<BigRecord*>(b) - 1;
    u8* block = reinterpret_cast<u8*>(r) - os_prefix;
    const std::size_t total = *reinterpret_cast<std::size_t*>(block);
    const std::size_t page = platform::page_size();
    const std::size_t new_total = (sizeof(BigRecord) + bytes + os_prefix + page - 1) / page * page;
    void* p = platform::resize_pages(block, total, new_total);
    if (!p) return nullptr;
    root.bytes_taken = root.bytes_taken - total + new_total;
    *static_cast<std::size_t*>(p) = new_total;
    r = reinterpret_cast<BigRecord*>(static_cast<u8*>(p) + os_prefix);
    r->size = bytes;
    if (r->prev) r->prev->next = r; else root.first_big = r;
    if (r->next) r->next->prev = r; else root.last_big = r;
    return r->buffer();
}

Buffer* resize_big_series(Node n, u64 count) {
    Buffer* b = node::buffer(n);
    const u64 bytes = round_up_16(count * b->unit());
    const u64 need = buffer_footprint(static_cast<u32>(std::min<u64>(bytes, max_series_bytes)));
    if (!(b->flags & bufferflag::big) || bytes > max_series_bytes || need < frame_size_cap) return nullptr;
    check_may_allocate();
    // The collections an allocation would start: every one in stress mode, and one when the
    // pages added exhaust the big buffers' budget. None moves a big buffer, but the node
    // is read again all the same.
    gc::on_series_allocation();
    const u64 footprint = (reinterpret_cast<BigRecord*>(b) - 1)->size;
    if (need > footprint) gc::on_big_allocation(need - footprint);
    b = resize_big_buffer(node::buffer(n), need);
    if (!b) return nullptr;
    b->size = static_cast<u32>(bytes);
    node::set_buffer(n, b);
    return b;
}

void free_big_buffer(Buffer* b) {
    BigRecord* r = reinterpret_cast<BigRecord*>(b) - 1;
    if (r->prev) r->prev->next = r->next; else root.first_big = r->next;
    if (r->next) r->next->prev = r->prev; else root.last_big = r->prev;
    --root.big_count;
    os_free(r);
}

void sweep_big_buffers() {
    for (BigRecord* r = root.first_big; r;) {
        BigRecord* next = r->next;
        Buffer* b = r->buffer();
        if (b->flags & bufferflag::marked) {
            b->flags &= ~bufferflag::marked;
        } else {
            if (b->node) node::free(b->node);
            free_big_buffer(b);
        }
        r = next;
    }
}

Stats stats() {
    return Stats{root.bytes_taken, node::list.count, node::used_count(), root.series_frame_count,
                 root.big_count, root.next_frame_size};
}

}  // namespace zel::memory
