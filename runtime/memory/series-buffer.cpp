#include "runtime/memory/series-buffer.h"

#include <algorithm>
#include <cstring>

#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"

namespace zel::series_buffer {
namespace {

struct Move {
    Buffer* from;
    Buffer* to;
};

// Flags of a buffer taking over a series: what the series is (unit width, bitset
// complement...) from the old buffer, where it lives from its own allocation.
u32 taken_over_flags(u32 old_flags, u32 new_flags) {
    using namespace bufferflag;
    return (old_flags & ~per_allocation) | (new_flags & per_allocation);
}

// A big buffer taking a big size keeps its pages: its mapping is resized, so the data is
// neither copied nor touched again. The bytes from the head move down to the data start
// first, as many as expand copies, so the buffer then has expand's layout whether or not
// the system grants the new size. Null when this does not apply or is refused.
Buffer* resize_in_place(Buffer* b, i64 s, bool keep_data) {
    if (!b->node || !(b->flags & bufferflag::big)) return nullptr;
    const u64 count = (static_cast<u64>(s) + b->unit() - 1) / b->unit();
    const u64 bytes = round_up_16(count * b->unit());
    if (bytes > max_series_bytes || buffer_footprint(static_cast<u32>(bytes)) < memory::frame_size_cap) return nullptr;
    if (b->head) {
        if (keep_data) std::memmove(b->data(), b->head_ptr(), std::min<u64>(b->size - b->head, bytes));
        b->tail -= b->head;
        b->head = 0;
        b->flags &= ~bufferflag::head_at_middle;
    }
    Buffer* to = memory::resize_big_series(b->node, count);
    if (to) to->tail = std::min(to->tail, to->size);
    return to;
}

Move move(Buffer* b, i64 new_size, bool keep_data) {
    if (b->flags & bufferflag::tracked_heap) memory::raise_limit_hit(b->size / b->unit());
    i64 s = new_size == 0 ? std::max<i64>(2 * i64{b->size}, 16) : new_size;
    if (s < 1 || s > max_series_bytes) memory::raise_no_memory();
    if (Buffer* kept = resize_in_place(b, s, keep_data)) return {kept, kept};
    Node n = b->node;
    u32 unit = b->unit();
    Buffer* to = memory::alloc_buffer(static_cast<u32>((s + unit - 1) / unit), unit, 0);
    // The allocation may have collected and moved the old buffer. A buffer without a node
    // yet is its caller's alone and cannot have moved.
    Buffer* from = n ? node::buffer(n) : b;
    to->flags = taken_over_flags(from->flags, to->flags);
    to->node = n;
    to->tail = std::min(from->used(), to->size);
    if (n) node::set_buffer(n, to);
    from->node = 0;
    from->flags &= ~bufferflag::in_use;
    return {from, to};
}

}  // namespace

Buffer* replace_buffer(Buffer* b, i64 new_size) { return move(b, new_size, false).to; }

Buffer* expand(Buffer* b, i64 new_size) {
    Move m = move(b, new_size, true);
    if (m.from == m.to) return m.to;
    std::memcpy(m.to->data(), m.from->head_ptr(), std::min(m.from->size - m.from->head, m.to->size));
    return m.to;
}

Buffer* expand_filled(Buffer* b, i64 new_size, u8 byte) {
    u32 old_size = b->size;
    Buffer* nb = expand(b, new_size);
    if (nb->size > old_size) std::memset(nb->data() + old_size, byte, nb->size - old_size);
    return nb;
}

u8* reserve_tail(Buffer* b, u32 n) {
    if (!b->room_at_tail(n)) b = expand(b, b->size < n ? 2 * i64{n} : 2 * i64{b->size});
    u8* p = b->tail_ptr();
    b->tail += n;
    return p;
}

Node copy_slice(Node src, u32 start, u32 count) {
    Buffer* s = node::buffer(src);
    u32 units = s->used() >> s->shift();
    start = std::min(start, units);
    count = std::min(count, units - start);
    u32 bytes = count << s->shift();
    Node n = memory::alloc_bytes(bytes);
    s = node::buffer(src);
    Buffer* d = node::buffer(n);
    d->flags = taken_over_flags(s->flags & ~bufferflag::not_copied, d->flags);
    std::memcpy(d->head_ptr(), s->head_ptr() + (start << s->shift()), bytes);
    d->tail = d->head + bytes;
    return n;
}

Node copy_buffer(Buffer* b) {
    Node src = b->node;
    Node n = memory::alloc_bytes(b->size);
    b = node::buffer(src);
    Buffer* d = node::buffer(n);
    d->flags = taken_over_flags(b->flags & ~bufferflag::not_copied, d->flags);
    std::memcpy(d->data(), b->head_ptr(), b->size - b->head);
    d->tail = b->used();
    return n;
}

Cell* append_cell(const Cell& block) { return series_buffer::append_cell(node::buffer(block.w2)); }

}  // namespace zel::series_buffer
