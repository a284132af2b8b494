// Compaction of the series frames: the marked buffers move down in address order, across
// frames as well as within them, each to the lowest free address that holds it: first
// into the free tail of an earlier frame, then toward its own frame's start. Their nodes
// are pointed at the new addresses (head and tail are offsets, so nothing inside a buffer
// changes). A pinned buffer stays where it is and the space before it that nothing moved
// into becomes one dead buffer, so frames stay walkable buffer by buffer. Unmarked buffers
// are garbage: the node of one still holding its series is freed. Frames left empty are
// released while another one remains, so memory comes back to about the live size.
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
    if (from == to) return;
    auto* gap = reinterpret_cast<Buffer*>(from);
    *gap = Buffer{};
    gap->size = static_cast<u32>(to - from) - static_cast<u32>(sizeof(Buffer));
}

void move_buffer(u8* to, u8* from, u64 footprint) {
    if (to == from) return;
    std::memmove(to, from, footprint);
    auto* moved = reinterpret_cast<Buffer*>(to);
    node::set_buffer(moved->node, moved);
}

// Where the next live buffer goes: `to` in `frame`, a frame walked already or the one being
// walked. Past `to`, the frame holds nothing live up to its end (an earlier frame) or up to
// the buffer being walked (its own frame).
struct Destination {
    memory::SeriesFrame* frame;
    u8* to;
};

class Compactor {
public:
    Compactor() : pin_(pins_begin()), dest_{memory::root.first_frame, memory::root.first_frame->start()} {}

    void frame(memory::SeriesFrame* f) {
        u8* top = f->heap;
        kept_ = f->start();
        for (u8* p = f->start(); p < top;) {
            auto* b = reinterpret_cast<Buffer*>(p);
            u64 footprint = buffer_footprint(b->size);
            if (!(b->flags & bufferflag::marked)) {
                free_node_of(b);
            } else {
                b->flags &= ~bufferflag::marked;
                if (pinned(b)) keep_in_place(f, p, footprint);
                else place(f, p, footprint);
            }
            p += footprint;
        }
        if (dest_.frame != f) f->heap = kept_;
    }

    void finish() { dest_.frame->heap = dest_.to; }

private:
    bool pinned(const Buffer* b) {
        while (pin_ < pins_end() && *pin_ < b) ++pin_;
        return pin_ < pins_end() && *pin_ == b;
    }

    // kept_ is the end of what the walked frame keeps while the destination lies in an
    // earlier frame: its pinned buffers only.
    void keep_in_place(memory::SeriesFrame* f, u8* p, u64 footprint) {
        if (dest_.frame == f) {
            fill_gap(dest_.to, p);
            dest_.to = p + footprint;
        } else {
            fill_gap(kept_, p);
        }
        kept_ = p + footprint;
    }

    // A buffer that does not fit in an earlier frame's tail closes that frame: the
    // destination moves on frame by frame, at worst to the buffer's own frame.
    void place(memory::SeriesFrame* f, u8* p, u64 footprint) {
        while (dest_.frame != f && footprint > static_cast<u64>(dest_.frame->end - dest_.to)) {
            dest_.frame->heap = dest_.to;
            dest_.frame = dest_.frame->next;
            dest_.to = dest_.frame == f ? kept_ : dest_.frame->heap;
        }
        move_buffer(dest_.to, p, footprint);
        dest_.to += footprint;
    }

    const Buffer* const* pin_;
    Destination dest_;
    u8* kept_ = nullptr;
};

}  // namespace

void compact() {
    if (!memory::root.first_frame) return;
    Compactor compactor;
    for (memory::SeriesFrame* f = memory::root.first_frame; f; f = f->next) compactor.frame(f);
    compactor.finish();
    for (memory::SeriesFrame* f = memory::root.first_frame; f;) {
        memory::SeriesFrame* next = f->next;
        if (f->heap == f->start() && memory::root.series_frame_count > 1) memory::release_series_frame(f);
        f = next;
    }
}

}  // namespace zel::gc
