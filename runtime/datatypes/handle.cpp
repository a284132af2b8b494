#include "runtime/datatypes/handle.h"

#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"

namespace zel::handle {
namespace {

constexpr const char* kind_names[] = {"null", "fd", "monitor", "window", "font", "rich-text"};

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    out.append_ascii(int_to_hex(value->w2, false));
    out.append_char('h');
    return limit - 9;
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32) {
    const u32 start = out.length();
    if (!flags.all) {
        out.append_ascii("handle!");
        return limit - 7;
    }
    out.append_ascii("#[handle! ");
    form(value, out, part, limit);
    const u32 kind = value->w1;
    if (kind > 0 && kind < std::size(kind_names)) {
        out.append_char(' ');
        out.append_ascii(kind_names[kind]);
    }
    out.append_char(']');
    return limit - static_cast<i32>(out.length() - start);
}

// By handle value only: the same object seen as two kinds is still the same object.
i32 compare(const Cell* value1, const Cell* value2, i32) {
    if (!value2->is(Type::handle)) return 1;
    const i32 a = static_cast<i32>(value1->w2), b = static_cast<i32>(value2->w2);
    return a < b ? -1 : a > b ? 1 : 0;
}

}  // namespace

void set_null_word() {
    Cell word = context::make_global_word(symbol::intern_cstring("null-handle"));
    context::set_word(word, cell(0, Kind::null));
}

}  // namespace zel::handle

namespace zel {

constinit const ActionRecord handle_actions = [] {
    ActionRecord r;
    r.on_form = handle::form;
    r.on_mold = handle::mold;
    r.on_compare = handle::compare;
    return r;
}();

}  // namespace zel
