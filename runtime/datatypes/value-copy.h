// Copies that objects and functions make of the series they hold: a function's body, an
// object's series fields. A copy never shares a nested block with its source, so binding
// the copy cannot rebind the source; a series that contains itself raises internal/no-cycle.
#pragma once
#include "runtime/memory/cell.h"

namespace zel::value_copy {

// block!, paren!, hash! and the path! family: cells that bind and clone as blocks.
bool is_block_like(Type t);

// A new block of the source's type holding the cells from its position to its tail
// (index 0); with `deep`, every nested block-like value but hash! is cloned the same way.
Cell clone_block(const Cell& block, bool deep);

// The value's `copy` with /deep: through its datatype's own copy when it has one,
// else block-like values by clone_block and other series by a copy of their units from
// the position; a hash! or image! without its own copy is shared.
Cell deep_copy(const Cell& value);

}  // namespace zel::value_copy
