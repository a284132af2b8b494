#include "runtime/memory/census.h"

#include "runtime/memory/gc.h"
#include "runtime/memory/heap.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"

namespace zel::census {

u64 bytes_in_use() { return u64{node::used_count()} * sizeof(node::Slot) + gc::stats().bytes_in_use; }

Census take() {
    Census c;
    for (const node::Frame* f = node::list.first; f; f = f->next)
        c.node_frames.push_back({f->slot_count - f->used, f->used, f->slot_count});
    for (memory::SeriesFrame* f = memory::root.first_frame; f; f = f->next) {
        const u64 used = static_cast<u64>(f->heap - f->start());
        const u64 total = static_cast<u64>(f->end - f->start());
        c.series_frames.push_back({total - used, used, total});
    }
    for (const memory::BigRecord* r = memory::root.first_big; r; r = r->next) c.big_buffers.push_back(r->size);
    c.heap_bytes = heap::bytes_in_use();
    c.from_system = memory::root.bytes_taken + c.heap_bytes;
    return c;
}

}  // namespace zel::census
