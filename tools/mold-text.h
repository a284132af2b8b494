// The text that zel-mold and the lexer's tests show for a value: its mold through the
// datatype registry. A value whose type has no registered mold yet, or a block holding
// one, goes through one fallback that writes it as source, molding what it holds again.
#pragma once
#include <string>

#include "runtime/core/cell.h"

namespace zel::tools {

std::string mold_text(const Cell& value);

}  // namespace zel::tools
