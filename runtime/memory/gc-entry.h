// What the allocator needs from the collector: the entries it calls before taking memory,
// and the collection count. A collection may move any buffer
// that is not pinned: callers re-read buffer addresses from their nodes afterwards.
#pragma once
#include "runtime/core/cell.h"

namespace zel::gc {

// Called when no series frame has room; collects when collection is enabled.
void on_allocation();
// Called before a big buffer of `bytes` is taken: collects when collection is enabled and
// the big buffers taken since the last collection exceed the budget (see gc.h).
void on_big_allocation(u64 bytes);
// Called before every series allocation: collects there in stress mode.
void on_series_allocation();
// Collections done since start-up; read on the interpreter's hot paths, so inline.
extern u32 collections;
inline u32 collection_count() { return collections; }

}  // namespace zel::gc
