// The conservative scan of native memory: C++ code keeps nodes and buffer addresses in
// locals and registers with no bookkeeping, so every word of the native stack (and of the
// registered native ranges) is taken as a possible reference. A 4-byte-aligned word that
// names a live node marks it; an 8-byte-aligned word pointing into a series buffer marks
// the buffer and pins it, since the pointer cannot be fixed when the buffer moves. Node ids
// start far from small integers, so accidental matches are rare, and only keep memory.
#include <algorithm>
#include <cstdint>

#include "platform/posix/stack.h"
#include "runtime/memory/gc-phases.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/scratch.h"

namespace zel::gc {
namespace {

using Address = std::uintptr_t;

constexpr u32 node_span = node::max_frames << node::slot_bits;

Scratch<Address> candidates;  // words that point between the lowest and highest buffer
Scratch<const Buffer*> pins;
Address low = 0;
Address high = 0;

// The stack of a thread other than the main one, found once per thread.
thread_local platform::StackBounds thread_stack;

Address stack_base(Address here) {
    const platform::StackBounds main = platform::main_stack();
    if (here >= main.low && here < main.high) return main.high;
    if (here < thread_stack.low || here >= thread_stack.high) thread_stack = platform::stack_bounds();
    return here >= thread_stack.low && here < thread_stack.high ? thread_stack.high : here;
}

// Reads memory that belongs to no object of ours (stack padding, redzones): not checked
// by the address sanitizer.
__attribute__((no_sanitize_address)) void scan_words(Address begin, Address end) {
    for (Address p = (begin + 3) & ~Address{3}; p + sizeof(u32) <= end; p += sizeof(u32)) {
        u32 word = *reinterpret_cast<const u32*>(p);
        if (word - node::base < node_span) mark_series(word);
        if ((p & 7) == 0 && p + sizeof(Address) <= end) {
            Address a = *reinterpret_cast<const Address*>(p);
            if (a >= low && a < high) candidates.push(a);
        }
    }
}

// A buffer still holding its series (not an abandoned copy, not a gap filler).
bool holds_series(const Buffer* b) {
    return (b->flags & bufferflag::in_use) && node::is_live(b->node) && node::buffer(b->node) == b;
}

// The first candidate at or above `from`.
Address* first_at(Address from) { return std::lower_bound(candidates.begin(), candidates.end(), from); }

void resolve_in_frame(memory::SeriesFrame* f) {
    auto start = reinterpret_cast<Address>(f->start());
    auto top = reinterpret_cast<Address>(f->heap);
    Address* c = first_at(start);
    Address* last = candidates.end();
    for (Address p = start; p < top && c < last && *c < top;) {
        auto* b = reinterpret_cast<const Buffer*>(p);
        Address next = p + buffer_footprint(b->size);
        if (*c < next) {
            if (holds_series(b)) {
                mark_series(b->node);
                pins.push(b);
            }
            while (c < last && *c < next) ++c;
        }
        p = next;
    }
}

void resolve_in_big_buffers() {
    for (memory::BigRecord* r = memory::root.first_big; r; r = r->next) {
        auto begin = reinterpret_cast<Address>(r->buffer());
        Address* c = first_at(begin);
        if (c < candidates.end() && *c < begin + r->size && holds_series(r->buffer()))
            mark_series(r->buffer()->node);
    }
}

void widen(Address begin, Address end) {
    if (low == high) {
        low = begin;
        high = end;
    }
    low = std::min(low, begin);
    high = std::max(high, end);
}

}  // namespace

void prepare_scan() {
    low = high = 0;
    for (memory::SeriesFrame* f = memory::root.first_frame; f; f = f->next)
        widen(reinterpret_cast<Address>(f->start()), reinterpret_cast<Address>(f->heap));
    for (memory::BigRecord* r = memory::root.first_big; r; r = r->next)
        widen(reinterpret_cast<Address>(r->buffer()), reinterpret_cast<Address>(r->buffer()) + r->size);
}

void scan_native_stack(const void* from) {
    auto here = reinterpret_cast<Address>(from);
    scan_words(here, stack_base(here));
}

void scan_native(const void* begin, std::size_t bytes) {
    auto b = reinterpret_cast<Address>(begin);
    scan_words(b, b + bytes);
}

void resolve_pointers() {
    std::sort(candidates.begin(), candidates.end());
    for (memory::SeriesFrame* f = memory::root.first_frame; f; f = f->next) resolve_in_frame(f);
    resolve_in_big_buffers();
}

const Buffer* const* pins_begin() { return pins.begin(); }
const Buffer* const* pins_end() { return pins.end(); }

void release_scan_tables() {
    candidates.release();
    pins.release();
}

}  // namespace zel::gc
