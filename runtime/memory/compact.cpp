// Compaction of the series frames: in each frame, the marked buffers slide down toward the
// frame start in address order and their nodes are pointed at the new addresses (head and
// tail are offsets, so nothing inside a buffer changes). A pinned buffer stays where it is
// and the next buffers slide down to its end; the gap left before it becomes one dead
// buffer, so frames stay walkable buffer by buffer. Unmarked buffers are garbage: the node
// of one still holding its series is freed. A frame left empty is released while another
// one remains.
#include <cstring>

#include "runtime/memory/gc-phases.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"

namespace zel::gc {
namespace {

void free_node_of(const Buffer* b) {
    if ((b->flags & bufferflag::in_use) && node::is_live(b->node) && node::buffer(b->node) == b)
        node::free(b->node);
}

// The gap between the moved buffers and a pinned one: whole dead buffers, so at least a
// header's worth.
void fill_gap(u8* from, u8* to) {
    auto* gap = reinterpret_cast<Buffer*>(from);
    *gap = Buffer{};
    gap->size = static_cast<u32>(to - from) - static_cast<u32>(sizeof(Buffer));
}

void compact_frame(memory::SeriesFrame* f, const Buffer* const*& pin, const Buffer* const* pins_end) {
    u8* to = f->start();
    for (u8* p = f->start(); p < f->heap;) {
        auto* b = reinterpret_cast<Buffer*>(p);
        u64 footprint = buffer_footprint(b->size);
        if (!(b->flags & bufferflag::marked)) {
            free_node_of(b);
        } else {
            b->flags &= ~bufferflag::marked;
            while (pin < pins_end && *pin < b) ++pin;
            if (pin < pins_end && *pin == b) {
                if (to < p) fill_gap(to, p);
                to = p + footprint;
            } else {
                if (to != p) {
                    std::memmove(to, p, footprint);
                    auto* moved = reinterpret_cast<Buffer*>(to);
                    node::set_buffer(moved->node, moved);
                }
                to += footprint;
            }
        }
        p += footprint;
    }
    f->heap = to;
}

}  // namespace

void compact() {
    const Buffer* const* pin = pins_begin();
    for (memory::SeriesFrame* f = memory::root.first_frame; f;) {
        memory::SeriesFrame* next = f->next;
        compact_frame(f, pin, pins_end());
        if (f->heap == f->start() && memory::root.series_frame_count > 1) memory::release_series_frame(f);
        f = next;
    }
}

}  // namespace zel::gc
