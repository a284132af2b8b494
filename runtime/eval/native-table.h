// Filling the natives table: entries are appended in index order from native 1, so a
// native's index (its identity in the boot image and in Zelbin data) is its position.
#pragma once
#include "runtime/datatypes/native.h"

namespace zel::native {

// Empties the table; the natives are then appended in their order.
void init_table();
// Appends the entries; returns the index of the first one. Raises internal/limit-hit when
// they do not fit.
u32 append_entries(const Entry* entries, u32 count);
// The number of natives in the table.
u32 count();

}  // namespace zel::native
