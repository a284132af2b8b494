// The natives' C++ entries, one file per family, and the filling of the natives table
// from natives.def: every native sits at its fixed index, the indexes without a native
// yet stay empty (and `make native!` refuses them).
#pragma once
#include "runtime/core/cell.h"

namespace zel::natives {

#define ZEL_NATIVE(index, name) void name(const i32* refinements);
#include "runtime/natives/natives.def"
#undef ZEL_NATIVE

// Fills the natives table; runs once, after the table is made empty.
void init_table();

}  // namespace zel::natives
