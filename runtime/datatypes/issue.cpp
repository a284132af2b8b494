// issue!: a word-like value written "#name" that is never looked up. Its cell is a word
// cell bound to the global context with no slot (word 3 context::no_index), its symbol
// interned in the exact spelling given.
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/word.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "runtime/text/utf8.h"

namespace zel::issue {
namespace {

Cell named(u32 sym) { return Cell{header_of(Type::issue), context::global, sym, context::no_index}; }

// Any text names an issue, spaces included: it is interned as it stands.
Cell* make(Cell* result, const Cell* spec, Type target) {
    if (word::any_word_type(spec->type())) {
        *result = *spec;
    } else if (spec->is(Type::string)) {
        *result = named(symbol::intern_string(*spec, -1));
    } else if (spec->is(Type::char_)) {
        u8 bytes[4];
        const int length = unicode::encode_utf8_char(spec->w2, bytes);
        *result = named(symbol::intern(bytes, static_cast<u32>(length)));
    } else {
        return word::make(result, spec, target);
    }
    result->header = header_of(target);
    return result;
}

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    out.append_char('#');
    return word::form(value, out, part, limit - 1);
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    return value2->is(Type::issue) ? word::compare(value1, value2, code) : not_comparable;
}

}  // namespace

}  // namespace zel::issue

namespace zel {

constinit const ActionRecord issue_actions = [] {
    ActionRecord r;
    r.on_make = issue::make;
    r.on_to = issue::make;
    r.on_form = inherit;
    r.on_mold = issue::mold;
    r.on_compare = issue::compare;
    return r;
}();

}  // namespace zel
