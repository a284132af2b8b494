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

bool collecting = false;
u32 changed_symbol = 0;

void load_runtime_words() {
    // The word globals point into the root block only while the collect flag is set.
    const bool was_collecting = collecting;
    collecting = true;
#define ZEL_SYMBOL(name, text) sym::name = symbol::intern_cstring(text);
#define ZEL_ID_WORD(name)
#define ZEL_NAME_WORD(name, text)
#define ZEL_REFINEMENT(name, text)
#include "runtime/names/runtime-words.def"
#undef ZEL_SYMBOL
#undef ZEL_ID_WORD
#define ZEL_SYMBOL(name, text)
#define ZEL_ID_WORD(name) words::name = context::make_global_word(sym::name);
#include "runtime/names/runtime-words.def"
#undef ZEL_ID_WORD
#undef ZEL_NAME_WORD
#define ZEL_ID_WORD(name)
#define ZEL_NAME_WORD(name, text) words::name = context::make_global_word(symbol::intern_cstring(text), true);
#include "runtime/names/runtime-words.def"
#undef ZEL_REFINEMENT
#undef ZEL_NAME_WORD
#undef ZEL_ID_WORD
#undef ZEL_SYMBOL
    changed_symbol = words::changed->w2;
    collecting = was_collecting;
}

namespace {

// A new unbound refinement! of the name, kept in the root block.
Cell* make_refinement(const char* name) {
    Cell* cell = series_buffer::append_cell(roots::block());
    *cell = Cell{header_of(Type::refinement), 0, symbol::intern_cstring(name), context::no_index};
    return cell;
}

}  // namespace

void make_runtime_refinements() {
#define ZEL_SYMBOL(name, text)
#define ZEL_ID_WORD(name)
#define ZEL_NAME_WORD(name, text)
#define ZEL_REFINEMENT(name, text) refinements::name = make_refinement(text);
#include "runtime/names/runtime-words.def"
#undef ZEL_REFINEMENT
#undef ZEL_NAME_WORD
#undef ZEL_ID_WORD
#undef ZEL_SYMBOL
}


}  // namespace runtime_words

}  // namespace zel
