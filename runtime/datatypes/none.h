// none!: the explicit "nothing" that failed searches answer. It also answers the series
// queries, so that searching or taking from a missing series gives none, not an error.
#pragma once
#include "runtime/memory/cell.h"

namespace zel::none {

inline Cell value() { return Cell{header_of(Type::none), 0, 0, 0}; }

}  // namespace zel::none
