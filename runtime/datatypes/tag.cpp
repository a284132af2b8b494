// tag!: a string written between angle brackets, formed and molded alike, nothing inside
// escaped.
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/string.h"

namespace zel::tag {
namespace {

i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) {
    out.append_char('<');
    const i32 left = string::form(value, out, part, limit - 1);
    out.append_char('>');
    return left - 1;
}

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return form(value, out, part, limit);
}

}  // namespace
}  // namespace zel::tag

namespace zel {

constinit const ActionRecord tag_actions = [] {
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_form = tag::form;
    r.on_mold = tag::mold;
    r.on_open = {};
    r.on_read = {};
    r.on_write = {};
    return r;
}();

}  // namespace zel
