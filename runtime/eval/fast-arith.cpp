#include "runtime/eval/fast-arith.h"

#include "runtime/datatypes/registry.h"
#include "runtime/eval/action.h"
#include "runtime/eval/frame.h"

namespace zel::action {
namespace {

Cell logic(bool b) { return b ? true_cell : false_cell; }

i32 order(u32 a, u32 b) { return a == b ? 0 : a < b ? -1 : 1; }

}  // namespace

i32 compare_result(const Cell& value1, const Cell& value2, i32 code) {
    const Type t = value1.type();
    if (value2.type() == t) {
        switch (t) {
        case Type::logic: return static_cast<i32>(value1.w1) - static_cast<i32>(value2.w1);
        case Type::native:
        case Type::action:
        case Type::op: return order(value1.w1, value2.w1);
        case Type::function:
        case Type::routine: return order(value1.w3, value2.w3);
        default: break;
        }
    }
    const sig::on_compare fn = registry().actions(t).on_compare;
    return fn ? fn(&value1, &value2, code) : not_comparable;
}

bool compare(const Cell& value1, const Cell& value2, i32 code) {
    return compare_truth(value1, value2, compare_result(value1, value2, code), code);
}

void compare_stack(i32 code) {
    const bool truth = compare(stack::base[0], stack::base[1], code);
    *stack::base = logic(truth);
}

}  // namespace zel::action
