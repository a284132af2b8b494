// The code of routine! values: C++ functions in a table, named by their 1-based index in
// the routine's record. Every routine has the same signature: it reads its arguments from
// the argument frame in spec order (and, when one code serves several routines, what sets
// them apart from the routine's own record) and writes its value, which the routine's
// result type (none: no value) decides whether the call keeps.
#pragma once
#include "runtime/core/cell.h"

namespace zel::routine_code {

using Code = void (*)(const Cell& routine, const Cell* args, Cell& result);

constexpr u32 code_capacity = 512;

// Adds the code; returns its index. Raises internal/limit-hit when the table is full.
u32 add_code(Code code);
// The code of an index, null for one that names none.
Code code_at(u32 index);

}  // namespace zel::routine_code
