// What the allocator needs from the collector: the entry it calls when memory is short
// and the collection count that stamps new node frames. Collection may move any buffer
// that is not pinned; callers re-read buffer addresses from their nodes afterwards.
#pragma once
#include "runtime/memory/cell.h"

namespace zel::gc {

// Called before a big buffer is taken and when no series frame has room; collects when
// collection is enabled.
void on_allocation();
u32 collection_count();

}  // namespace zel::gc
