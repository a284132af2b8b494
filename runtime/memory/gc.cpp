#include "runtime/memory/gc.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <csetjmp>
#include <cstdlib>

#include "runtime/core/raise.h"
#include "runtime/memory/fatal.h"
#include "runtime/memory/gc-entry.h"
#include "runtime/memory/gc-phases.h"
#include "runtime/memory/node.h"
#include "runtime/memory/resource.h"
#include "runtime/memory/scratch.h"

namespace zel::gc {

u32 collections = 0;
namespace {

// A fixed list kept in registration order; removal closes the gap.
template <class Entry>
struct Registry {
    Entry entries[registry_capacity];
    u32 count = 0;

    void add(const Entry& e) {
        if (count == registry_capacity) memory::raise_limit_hit(registry_capacity);
        entries[count++] = e;
    }
    template <class Match>
    void remove(Match match) {
        for (u32 i = 0; i < count; ++i)
            if (match(entries[i])) {
                for (u32 j = i + 1; j < count; ++j) entries[j - 1] = entries[j];
                --count;
                return;
            }
    }
    const Entry* begin() const { return entries; }
    const Entry* end() const { return entries + count; }
};

struct CallbackEntry {
    Callback f;
    void* data;
};
struct CellRange {
    const Cell* first;
    u32 count;
};
struct NativeRange {
    const void* begin;
    std::size_t bytes;
};

Registry<CallbackEntry> mark_callbacks;
Registry<CallbackEntry> weak_callbacks;
Registry<CellRange> root_cells;
Registry<NativeRange> native_ranges;

bool collection_enabled = false;
std::atomic<bool> collecting{false};

u32 stress_from_environment() {
    const char* text = std::getenv("ZEL_GC_STRESS");
    return text ? static_cast<u32>(std::strtoul(text, nullptr, 10)) : 0;
}
u32 stress_every = stress_from_environment();
u32 allocations_since_collection = 0;
u64 outside_bytes_since_collection = 0;
u64 big_bytes_since_collection = 0;
// Bytes in use when the last collection ended: the big-buffer budget grows with them.
u64 live_after_collection = 0;

// Series in the tracked heap are never freed nor moved: what they hold is always live.
Scratch<Node> tracked;

void mark_tracked_heap_series() {
    for (const node::Frame* f = node::list.first; f; f = f->next)
        for (u32 i = 0; i < f->fresh; ++i) {
            node::Slot s = f->slots[i];
            if (s == 0 || (s & 1)) continue;
            if (reinterpret_cast<const Buffer*>(s)->flags & bufferflag::tracked_heap) {
                Node n = node::base + (f->number << node::slot_bits) + i;
                mark_series(n);
                tracked.push(n);
            }
        }
}

void unmark_tracked_heap_series() {
    for (Node n : tracked) node::buffer(n)->flags &= ~bufferflag::marked;
    tracked.release();
}

void mark_roots(const void* stack_from) {
    mark_tracked_heap_series();
    for (const CellRange& r : root_cells) mark_cells(r.first, r.first + r.count);
    for (const CallbackEntry& c : mark_callbacks) c.f(c.data);
    drain();
    prepare_scan();
    scan_native_stack(stack_from);
    for (const NativeRange& r : native_ranges) scan_native(r.begin, r.bytes);
    resolve_pointers();
    drain();
}

void sweep() {
    for (const CallbackEntry& c : weak_callbacks) c.f(c.data);
    resource::sweep();
    memory::unpoison_free_tails();
    compact();
    memory::poison_free_tails();
    memory::sweep_big_buffers();
    node::sweep_frames();
    unmark_tracked_heap_series();
}

// Marks are half set and frames half compacted: nothing can resume from a failure here.
[[noreturn]] void fail_collection(bool no_memory) {
    fatal::exit_with_error(no_memory ? fatal::out_of_memory : fatal::unknown_error);
}

// The callee-saved registers are spilled into this frame and copied into `registers`, so
// that the scan of the native stack, which starts here, sees what the program kept in them.
__attribute__((noinline)) void collect() {
    __builtin_unwind_init();
    std::jmp_buf registers;
    setjmp(registers);
    collecting.store(true);
    try {
        mark_roots(&registers);
        sweep();
    } catch (const ErrorThrow& e) {
        fail_collection(e.id == ErrorId::internal_no_memory);
    } catch (const Throw&) {
        fail_collection(false);
    }
    release_mark_tables();
    release_scan_tables();
    ++collections;
    allocations_since_collection = 0;
    outside_bytes_since_collection = 0;
    big_bytes_since_collection = 0;
    live_after_collection = stats().bytes_in_use;
    collecting.store(false);
    asm volatile("" : : "r"(&registers) : "memory");
}

bool same_callback(const CallbackEntry& e, Callback f, void* data) { return e.f == f && e.data == data; }

}  // namespace

bool enabled() { return collection_enabled; }
void set_enabled(bool on) { collection_enabled = on; }

Disabled::Disabled() : was_(collection_enabled) { collection_enabled = false; }
Disabled::~Disabled() { collection_enabled = was_; }

bool in_collection() { return collecting.load(); }
void init_counters() { collections = 0; }

u32 recycle() {
    assert(!in_collection() && "a collection never starts inside another");
    if (!in_collection()) collect();
    return collections;
}

void collect_if_enabled() {
    if (collection_enabled && !in_collection()) collect();
}

void set_stress(u32 every) {
    stress_every = every;
    allocations_since_collection = 0;
}
u32 stress() { return stress_every; }

void on_allocation() { collect_if_enabled(); }

void on_big_allocation(u64 bytes) {
    big_bytes_since_collection += bytes;
    if (big_bytes_since_collection > std::max(big_budget_floor, live_after_collection)) collect_if_enabled();
}

void note_outside_bytes(u64 bytes) {
    outside_bytes_since_collection += bytes;
    if (outside_bytes_since_collection > outside_budget) collect_if_enabled();
}

void on_series_allocation() {
    if (stress_every && ++allocations_since_collection >= stress_every) collect_if_enabled();
}

void add_mark_callback(Callback f, void* data) { mark_callbacks.add({f, data}); }
void remove_mark_callback(Callback f, void* data) {
    mark_callbacks.remove([&](const CallbackEntry& e) { return same_callback(e, f, data); });
}
void add_weak_callback(Callback f, void* data) { weak_callbacks.add({f, data}); }
void remove_weak_callback(Callback f, void* data) {
    weak_callbacks.remove([&](const CallbackEntry& e) { return same_callback(e, f, data); });
}
void add_root_cells(const Cell* first, u32 count) { root_cells.add({first, count}); }
void remove_root_cells(const Cell* first) {
    root_cells.remove([&](const CellRange& r) { return r.first == first; });
}
void add_native_range(const void* begin, std::size_t bytes) { native_ranges.add({begin, bytes}); }
void remove_native_range(const void* begin) {
    native_ranges.remove([&](const NativeRange& r) { return r.begin == begin; });
}

Stats stats() {
    u64 bytes = 0;
    for (const memory::SeriesFrame* f = memory::root.first_frame; f; f = f->next)
        bytes += static_cast<u64>(f->heap - reinterpret_cast<const u8*>(f + 1));
    for (const memory::BigRecord* r = memory::root.first_big; r; r = r->next) bytes += r->size;
    return Stats{collections, bytes, memory::stats()};
}

}  // namespace zel::gc
