// paren!: a block that evaluates when met. It shares block!'s layout and actions; only its
// mold differs, in parentheses, and it cannot be trimmed.
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/text/cycle.h"

namespace zel::paren {
namespace {

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    if (cycle::write_marker_if_seen(*value, out.value().w2, &limit, true)) return limit;
    if (flags.only) return block::mold_elements(*value, out, flags, part, limit, indent);
    out.append_char('(');
    limit = block::mold_elements(*value, out, flags, part, limit - 1, indent);
    out.append_char(')');
    return limit - 1;
}

}  // namespace
}  // namespace zel::paren

namespace zel {

constinit const ActionRecord paren_actions = [] {
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_mold = paren::mold;
    r.on_trim = nullptr;
    return r;
}();

}  // namespace zel
