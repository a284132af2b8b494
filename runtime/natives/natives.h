// The natives' C++ entries, one file per family, and the filling of the natives table
// from natives.def: every native sits at its fixed index, the indexes without a native
// yet stay empty (and `make native!` refuses them).
#pragma once
#include "runtime/core/cell.h"

namespace zel::natives {

#define ZEL_NATIVE(index, name, text, exits) void name(const i32* refinements);
#include "runtime/natives/natives.def"
#undef ZEL_NATIVE

// What zelbin-decode and the zelbin codec's decode share: the one value the data holds, or
// a block of its values; 10 bytes or fewer raise script/invalid-data. Pushes the block on
// the stack, where it stays for the caller's frame.
Cell zelbin_decode_binary(const Cell& payload);

// Fills the natives table; runs once, after the table is made empty.
void init_table();

// Whether the global word `name` holds the native! (or action!) of that index (slot): the
// library defined it under that name.
bool defines(Type type, const char* name, u32 index);
// Run once the library is loaded: stops the process with a report when a native of
// natives.def is not defined under its name, or an action's word holds another slot.
void check_library_definitions();

}  // namespace zel::natives
