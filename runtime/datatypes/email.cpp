// email!: a string written as it is. Its paths read and set the user name (before the
// first "@") and the host (after it); an integer picks a character as for strings.
#include "runtime/core/raise.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/string.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"

namespace zel::email {
namespace {

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return string::form(value, out, part, limit);
}

bool names(const Cell& word, u32 symbol) {
    return word.is(Type::word) && symbol::canonical_id(word.w2) == symbol::canonical_id(symbol);
}

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step) {
    if (element->is(Type::integer)) return string::eval_path(parent, element, value_to_set, step);
    const bool user = names(*element, sym::user);
    if (!user && !names(*element, sym::host)) {
        const Cell* path = step.path ? step.path : &none_cell;
        raise(ErrorId::script_invalid_path, path, element);
    }
    const Cell email = *parent;
    const u32 length = chars_from_position(email);
    u32 at = 0;
    while (at < length && char_at(email, at) != '@') ++at;
    // The part: from `start` characters after the position, `count` of them.
    const u32 start = user ? 0 : (at < length ? at + 1 : length);
    const u32 count = user ? at : length - start;
    Cell piece = email;
    piece.w1 += start;
    if (value_to_set) {
        const Cell value = *value_to_set;
        string::change(&piece, &value, static_cast<i32>(count), false, 1);
        *parent = value;
        return parent;
    }
    const Cell part = Cell{header_of(Type::integer), 0, count, 0};
    Cell result{};
    series::copy(&piece, &result, &part, false, nullptr);
    cell::set_type(&result, Type::string);
    *parent = result;
    return parent;
}

}  // namespace
}  // namespace zel::email

namespace zel {

constinit const ActionRecord email_actions = [] {
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_mold = email::mold;
    r.on_eval_path = email::eval_path;
    r.on_open = {};
    r.on_read = {};
    r.on_write = {};
    return r;
}();

}  // namespace zel
