// issue!: a word-like value written "#name" that is never looked up. Its cell is a word
// cell bound to the global context with no slot (word 3 context::no_index), its symbol
// interned in the exact spelling given.
#pragma once
#include "runtime/core/cell.h"

namespace zel::issue {

Cell* init_from_c_string(Cell& out, const char* name);

}  // namespace zel::issue
