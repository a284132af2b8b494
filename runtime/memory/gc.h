// The garbage collector: marks every series reachable from the registered roots, from the
// tracked-heap series and from the native stack and registers (scanned conservatively),
// frees the nodes of the rest and slides the live buffers down, into the free tails of
// earlier series frames too, so that frames left empty go back to the system.
// Nodes never move; a buffer moves at a collection unless a native-stack word points into
// it (it is pinned). Collections never nest, and run only when enabled or forced.
#pragma once
#include <cstddef>

#include "runtime/core/cell.h"
#include "runtime/memory/gc-entry.h"
#include "runtime/memory/memory.h"

namespace zel::gc {

// Root callbacks: mark callbacks mark what their module keeps outside the roots; weak
// callbacks run after marking and drop the entries whose series `is_marked` says are dead
// (they must not allocate).
using Callback = void (*)(void* data);
// Room in each registry; one more registration raises internal/limit-hit.
constexpr u32 registry_capacity = 100;

// The collection switch: off until start-up turns it on. A forced collection (recycle)
// ignores it.
bool enabled();
void set_enabled(bool on);

// Turns collection off for its scope and restores the previous state however it is left.
class Disabled {
public:
    Disabled();
    ~Disabled();
    Disabled(const Disabled&) = delete;
    Disabled& operator=(const Disabled&) = delete;

private:
    bool was_;
};

bool in_collection();
void init_counters();

// One collection, whatever the switch; returns the new collection count. Refused inside a
// collection.
u32 recycle();
// The allocator's entry: a collection when enabled and not already collecting.
void collect_if_enabled();

// Collects at every `every`-th series allocation while collection is enabled; 0 turns it
// off. Starts from ZEL_GC_STRESS in the environment.
void set_stress(u32 every);
u32 stress();

void add_mark_callback(Callback f, void* data = nullptr);
void remove_mark_callback(Callback f, void* data = nullptr);
void add_weak_callback(Callback f, void* data = nullptr);
void remove_weak_callback(Callback f, void* data = nullptr);
// Cells that are roots, marked by their types at every collection (the range is read at
// each collection, so the cells may change between them).
void add_root_cells(const Cell* first, u32 count);
void remove_root_cells(const Cell* first);
// Native memory scanned like the stack: words naming live nodes mark them, words pointing
// into a series buffer mark and pin it.
void add_native_range(const void* begin, std::size_t bytes);
void remove_native_range(const void* begin);

// Marking, for callbacks. mark_node sets the mark of a node's buffer and answers whether
// it was unmarked; mark_series also marks what a buffer of cells holds. Nodes that are
// not live are ignored.
bool mark_node(Node n);
bool mark_series(Node n);
void mark_cells(const Cell* first, const Cell* end);
bool is_marked(Node n);
// Called with the node of every hash table record (a buffer flagged table_record) when it
// is first marked, however it was reached, so that the table marks its own series.
void set_table_marker(void (*marker)(Node table));
// The same for every image record (a buffer flagged image_record): the image marks the
// native resource entry that holds its pixels.
void set_image_marker(void (*marker)(Node image));

// Memory that values hold outside series (image pixels) counts toward collections: once
// more than outside_budget bytes were taken since the last collection, the next call
// collects (when collection is enabled). Call it where a series allocation could collect.
constexpr u64 outside_budget = u64{64} << 20;
void note_outside_bytes(u64 bytes);

// Big buffers (a large block or string, a table's arrays) start no collection of their
// own until the bytes they took since the last collection exceed the live bytes that
// collection left, and at least big_budget_floor: a program growing a large series pays a
// collection per doubling of its heap rather than per buffer, and dead big buffers are
// still given back before they outweigh the live ones.
constexpr u64 big_budget_floor = u64{32} << 20;

struct Stats {
    u32 collections;
    u64 bytes_in_use;  // buffers in series frames (live or not yet reclaimed) and big buffers
    memory::Stats memory;
};
Stats stats();

}  // namespace zel::gc
