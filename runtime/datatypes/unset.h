// unset!: the absence of a value. Its cell is a bare header; forming it writes nothing.
#pragma once
#include "runtime/memory/cell.h"

namespace zel::unset {

inline Cell value() { return Cell{header_of(Type::unset), 0, 0, 0}; }

// Errors name the calling word or an action's parameter; until word values exist an
// unset value stands in that argument.
inline Cell missing_word() { return value(); }

}  // namespace zel::unset
