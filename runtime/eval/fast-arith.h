// Arithmetic and comparison without a call. Two integer! operands (or, for add, subtract
// and multiply, a float! with a float! or an integer!) are computed on the spot by the
// integer! and float! cores; for any other operands the caller takes the generic action or
// comparison.
#pragma once
#include "runtime/core/cell-views.h"
#include "runtime/datatypes/action-signatures.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"

namespace zel::action {

// The core of the fast paths: true, with the result in `out`, when the operands take it.
// The rules (overflow into float!, float operations) are the datatypes' own cores; only
// the choice of operands is made here.
[[gnu::always_inline]] inline bool arith_core(ArithOp op, const Cell& left, const Cell& right, Cell& out) {
    if (left.is(Type::integer) && right.is(Type::integer)) {
        if (op == ArithOp::divide || op == ArithOp::remainder) return false;
        // Sums and differences that stay integers are the common case: done here, the
        // rest (overflow into float!, the other operations) by the integer! core.
        i32 answer = 0;
        if ((op == ArithOp::add && !__builtin_add_overflow(integer::get(left), integer::get(right), &answer)) ||
            (op == ArithOp::subtract && !__builtin_sub_overflow(integer::get(left), integer::get(right), &answer))) {
            out = integer::cell(answer);
            return true;
        }
        out = integer::cell(0);
        integer::binary_op(integer::get(left), integer::get(right), op, &out);
        return true;
    }
    // A float! with a float! or an integer!, on either side: the float! core's sum,
    // difference or product of the two as doubles, a float!.
    const bool left_float = left.is(Type::float_);
    const bool right_float = right.is(Type::float_);
    if ((left_float || left.is(Type::integer)) && (right_float || right.is(Type::integer)) &&
        (left_float || right_float)) {
        if (op != ArithOp::add && op != ArithOp::subtract && op != ArithOp::multiply) return false;
        out = float_::cell(float_::binary_op(float_::number_of(left), float_::number_of(right), op));
        return true;
    }
    return false;
}

// Integer comparison under a comparison code; false when an operand is not an integer!.
[[gnu::always_inline]] inline bool compare_core(i32 code, const Cell& left, const Cell& right, bool& truth) {
    if (!left.is(Type::integer) || !right.is(Type::integer)) return false;
    const i32 a = integer::get(left);
    const i32 b = integer::get(right);
    truth = ordering_truth((a > b) - (a < b), code);
    return true;
}

// Compares arguments 0 and 1 of the current frame by the generic comparison
// (compare_values), the logic! to the result slot.
void compare_stack(i32 code);

}  // namespace zel::action
