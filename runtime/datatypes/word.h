// The word! family: word!, set-word!, lit-word!, get-word! and refinement! share one cell
// (word 1 the bound context's node or 0, word 2 the symbol in the spelling it was
// written with, word 3 the slot index or context::no_index) and one implementation; the
// children add only their mold. Names compare case-insensitively through canonical ids.
#pragma once
#include <string_view>

#include "runtime/core/cell.h"

namespace zel {
class Output;
}

namespace zel::word {

// Types 15 to 20: the word family and issue!.
bool any_word_type(Type t);

// The global word of a name, found in any case and answered in this spelling; added with
// an unset! value when absent, case variants sharing one slot.
Cell make_global(const char* name);
// Fills `out` as a word! bound to the global context, adding the symbol when absent.
Cell* init_global(u32 symbol, Cell& out);

// The `make` and `to` of the word family, shared with issue!.
Cell* make(Cell* result, const Cell* spec, Type target);
// Appends the word's own spelling; returns the limit less the characters appended.
i32 form(const Cell* value, Output& out, const Cell* part, i32 limit);
i32 compare(const Cell* value1, const Cell* value2, i32 code);

}  // namespace zel::word

