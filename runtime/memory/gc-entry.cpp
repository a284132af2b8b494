#include "runtime/memory/gc-entry.h"

namespace zel::gc {

// No collector is linked yet: memory is never reclaimed, so there is nothing to do.
void on_allocation() {}

u32 collection_count() { return 0; }

}  // namespace zel::gc
