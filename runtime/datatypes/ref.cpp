// ref!: a string written after "@"; formed it is the text alone. It takes no append.
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/string.h"

namespace zel::ref {
namespace {

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    out.append_char('@');
    return string::form(value, out, part, limit - 1);
}

}  // namespace
}  // namespace zel::ref

namespace zel {

constinit const ActionRecord ref_actions = [] {
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_mold = ref::mold;
    r.on_eval_path = {};
    r.on_append = {};
    r.on_open = {};
    r.on_read = {};
    r.on_write = {};
    return r;
}();

}  // namespace zel
