// A source-like text of scanned values, written from the C++ side: blocks, parens, paths,
// maps, words, strings and the scalar literals the lexer makes, close to how mold writes
// them. It stands in for mold in the lexer's tools and tests.
#pragma once
#include <string>

#include "runtime/memory/cell.h"

namespace zel::tools {

std::string dump(const Cell& value);

}  // namespace zel::tools
