// The comparison natives (equal? ... greater-or-equal?) over the generic comparison, and
// same?, which asks for identity: never across datatypes.
#include "runtime/datatypes/registry.h"
#include "runtime/eval/fast-arith.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {

void equal_q(const i32*) { action::compare_stack(compare_code::equal); }
void not_equal_q(const i32*) { action::compare_stack(compare_code::not_equal); }
void strict_equal_q(const i32*) { action::compare_stack(compare_code::strict_equal); }
void lesser_q(const i32*) { action::compare_stack(compare_code::lesser); }
void greater_q(const i32*) { action::compare_stack(compare_code::greater); }
void lesser_or_equal_q(const i32*) { action::compare_stack(compare_code::lesser_or_equal); }
void greater_or_equal_q(const i32*) { action::compare_stack(compare_code::greater_or_equal); }

void same_q(const i32*) {
    const Cell& a = arg(0);
    const Cell& b = arg(1);
    const bool same = a.type() == b.type() && compare_values(a, b, compare_code::same);
    set_result(same ? true_cell : false_cell);
}

}  // namespace zel::natives
