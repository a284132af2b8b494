// unset!: the absence of a value. Its cell is a bare header (the constant unset_cell);
// forming it writes nothing.
#pragma once
#include "runtime/memory/cell.h"

namespace zel::unset {

// Errors name the calling word or an action's parameter; until word values exist an
// unset value stands in that argument.
inline Cell missing_word() { return unset_cell; }

}  // namespace zel::unset
