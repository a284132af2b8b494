#include "runtime/names/runtime-words.h"

#include "runtime/memory/roots.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"

namespace zel {

namespace sym {
#define ZEL_SYMBOL(name, text) u32 name = 0;
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
#define ZEL_ID_WORD(name) Cell* name = nullptr;
#define ZEL_NAME_WORD(name, text) Cell* name = nullptr;
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
#define ZEL_REFINEMENT(name, text) Cell* name = nullptr;
#include "runtime/names/runtime-words.def"
#undef ZEL_REFINEMENT
#undef ZEL_NAME_WORD
#undef ZEL_ID_WORD
#undef ZEL_SYMBOL
}  // namespace refinements

namespace runtime_words {

u32 changed_symbol = 0;

namespace {

// A copy of the cell in the root block, where the word and refinement globals point.
Cell* keep(const Cell& value) {
    Cell* cell = series_buffer::append_cell(roots::block());
    *cell = value;
    return cell;
}

}  // namespace

void load_runtime_words() {
#define ZEL_SYMBOL(name, text) sym::name = symbol::intern_cstring(text);
#define ZEL_ID_WORD(name)
#define ZEL_NAME_WORD(name, text)
#define ZEL_REFINEMENT(name, text)
#include "runtime/names/runtime-words.def"
#undef ZEL_SYMBOL
#undef ZEL_ID_WORD
#define ZEL_SYMBOL(name, text)
#define ZEL_ID_WORD(name) words::name = keep(context::make_global_word(sym::name));
#include "runtime/names/runtime-words.def"
#undef ZEL_ID_WORD
#undef ZEL_NAME_WORD
#define ZEL_ID_WORD(name)
#define ZEL_NAME_WORD(name, text) words::name = keep(context::make_global_word(symbol::intern_cstring(text), true));
#include "runtime/names/runtime-words.def"
#undef ZEL_REFINEMENT
#undef ZEL_NAME_WORD
#undef ZEL_ID_WORD
#undef ZEL_SYMBOL
    changed_symbol = words::changed->w2;
}

void make_runtime_refinements() {
#define ZEL_SYMBOL(name, text)
#define ZEL_ID_WORD(name)
#define ZEL_NAME_WORD(name, text)
#define ZEL_REFINEMENT(name, text) \
    refinements::name = keep(Cell{header_of(Type::refinement), 0, symbol::intern_cstring(text), context::no_index});
#include "runtime/names/runtime-words.def"
#undef ZEL_REFINEMENT
#undef ZEL_NAME_WORD
#undef ZEL_ID_WORD
#undef ZEL_SYMBOL
}

}  // namespace runtime_words

}  // namespace zel
