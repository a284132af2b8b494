// The runtime's own symbols and words (runtime-words.def), made once at start-up so that
// native code compares names by symbol id and hands out fixed words without a lookup.
// Word globals point into the root block, which never moves.
#pragma once
#include "runtime/core/cell.h"

namespace zel {

namespace sym {
#define ZEL_SYMBOL(name, text) extern u32 name;
#define ZEL_ID_WORD(name)
#define ZEL_NAME_WORD(name, text)
#define ZEL_REFINEMENT(name, text)
#include "runtime/names/runtime-words.def"
#undef ZEL_REFINEMENT
#undef ZEL_NAME_WORD
#undef ZEL_ID_WORD
#undef ZEL_SYMBOL
}  // namespace sym

namespace words {
#define ZEL_SYMBOL(name, text)
#define ZEL_ID_WORD(name) extern Cell* name;
#define ZEL_NAME_WORD(name, text) extern Cell* name;
#define ZEL_REFINEMENT(name, text)
#include "runtime/names/runtime-words.def"
#undef ZEL_REFINEMENT
#undef ZEL_NAME_WORD
#undef ZEL_ID_WORD
#undef ZEL_SYMBOL
}  // namespace words

namespace refinements {
#define ZEL_SYMBOL(name, text)
#define ZEL_ID_WORD(name)
#define ZEL_NAME_WORD(name, text)
#define ZEL_REFINEMENT(name, text) extern Cell* name;
#include "runtime/names/runtime-words.def"
#undef ZEL_REFINEMENT
#undef ZEL_NAME_WORD
#undef ZEL_ID_WORD
#undef ZEL_SYMBOL
}  // namespace refinements

namespace runtime_words {

// The symbol of `changed`, kept on its own for the ownership notifications.
extern u32 changed_symbol;

// Makes the symbol ids, then the words from those ids, then the words from names.
void load_runtime_words();
void make_runtime_refinements();

}  // namespace runtime_words

}  // namespace zel
