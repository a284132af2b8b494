// Words as the lexer makes them. The symbol table is not part of the runtime yet, so a
// scanned word is unbound (word 1 is 0) and has no symbol (word 2 is 0): word 3 holds the
// node of a byte series with its UTF-8 spelling, from which it is interned once symbols
// exist.
#pragma once
#include <string>

#include "runtime/memory/cell.h"

namespace zel::lexer {

Cell make_word(Type kind, const u8* spelling, u32 length);
// The UTF-8 spelling of a word the lexer made.
std::string word_spelling(const Cell& word);

}  // namespace zel::lexer
