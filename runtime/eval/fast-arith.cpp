#include "runtime/eval/fast-arith.h"

#include "runtime/datatypes/registry.h"
#include "runtime/eval/action.h"
#include "runtime/eval/frame.h"

namespace zel::action {

void compare_stack(i32 code) {
    const bool truth = compare_values(stack::base[0], stack::base[1], code);
    *stack::base = truth ? true_cell : false_cell;
}

}  // namespace zel::action
