// percent!: a float! shown multiplied by 100 with a "%" sign (50% holds 0.5). It takes
// every action of float! but its text, which form and mold share.
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/text/float-text.h"

namespace zel::percent {
namespace {

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    const FloatText text = float_::to_text(float_::get(*value) * 100, float_::TextKind::percent64);
    out.append_ascii(text.view());
    return limit - text.length;
}

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return form(value, out, part, limit);
}

}  // namespace
}  // namespace zel::percent

namespace zel {

constinit const ActionRecord percent_actions = [] {
    ActionRecord r;
    r.on_make = inherit;
    r.on_random = inherit;
    r.on_to = inherit;
    r.on_form = percent::form;
    r.on_mold = percent::mold;
    r.on_compare = inherit;
    r.on_absolute = inherit;
    r.on_add = inherit;
    r.on_divide = inherit;
    r.on_multiply = inherit;
    r.on_negate = inherit;
    r.on_power = inherit;
    r.on_remainder = inherit;
    r.on_round = inherit;
    r.on_subtract = inherit;
    r.on_even_q = inherit;
    r.on_odd_q = inherit;
    return r;
}();

}  // namespace zel
