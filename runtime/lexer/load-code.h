// Source text made into code: scanned by the lexer, then every word of it, at any depth,
// bound to the global context (where the words that are new are added, without a value).
#pragma once
#include "runtime/core/cell.h"

namespace zel::lexer {

// Adds the words of the block (and of its nested blocks, parens and paths) to the global
// context and binds them there.
void bind_global(const Cell& block);

// Scans UTF-8 text into a bound block; syntax faults raise syntax errors.
Cell load_code(const u8* text, u32 length);
// The same for a string! from its position.
Cell load_code(const Cell& string);

}  // namespace zel::lexer
