// The text that zel-mold and the lexer's tests show for a value: its mold through the
// datatype registry. Types whose mold is not registered yet go through one fallback that
// writes them as source, molding the values they hold through the registry again.
#pragma once
#include <string>

#include "runtime/memory/cell.h"

namespace zel::tools {

std::string mold_text(const Cell& value);

}  // namespace zel::tools
