// Arithmetic and comparison without a call. Two integer! operands (or, for add, subtract
// and multiply, two float!) are computed on the spot, an integer result that leaves the
// 32-bit range becoming the exact float!; for any other operands the caller takes the
// generic action or comparison.
#pragma once
#include "runtime/core/cell-views.h"
#include "runtime/datatypes/action-signatures.h"
#include "runtime/datatypes/integer.h"

namespace zel::action {

// The core of the fast paths: true, with the result in `out`, when the operands take it.
inline bool arith_core(ArithOp op, const Cell& left, const Cell& right, Cell& out) {
    if (left.is(Type::integer) && right.is(Type::integer)) {
        const i32 a = static_cast<i32>(left.w2);
        const i32 b = static_cast<i32>(right.w2);
        i32 r = 0;
        double exact = 0;
        bool overflow = false;
        switch (op) {
        case ArithOp::add: overflow = __builtin_add_overflow(a, b, &r), exact = double(a) + double(b); break;
        case ArithOp::subtract: overflow = __builtin_sub_overflow(a, b, &r), exact = double(a) - double(b); break;
        case ArithOp::multiply: overflow = __builtin_mul_overflow(a, b, &r), exact = double(a) * double(b); break;
        case ArithOp::or_: r = a | b; break;
        case ArithOp::and_: r = a & b; break;
        case ArithOp::xor_: r = a ^ b; break;
        default: return false;
        }
        if (overflow) integer::promote_to_float(&out, exact);
        else out = integer::cell(r);
        return true;
    }
    if (left.is(Type::float_) && right.is(Type::float_)) {
        const double a = float_payload(left);
        const double b = float_payload(right);
        double r = 0;
        switch (op) {
        case ArithOp::add: r = a + b; break;
        case ArithOp::subtract: r = a - b; break;
        case ArithOp::multiply: r = a * b; break;
        default: return false;
        }
        out = Cell{header_of(Type::float_), 0, 0, 0};
        set_float_payload(out, r);
        return true;
    }
    return false;
}

// Integer comparison under a comparison code; false when an operand is not an integer!.
inline bool compare_core(i32 code, const Cell& left, const Cell& right, bool& truth) {
    if (!left.is(Type::integer) || !right.is(Type::integer)) return false;
    const i32 a = static_cast<i32>(left.w2);
    const i32 b = static_cast<i32>(right.w2);
    switch (code) {
    case compare_code::not_equal: truth = a != b; break;
    case compare_code::lesser: truth = a < b; break;
    case compare_code::lesser_or_equal: truth = a <= b; break;
    case compare_code::greater: truth = a > b; break;
    case compare_code::greater_or_equal: truth = a >= b; break;
    default: truth = a == b; break;
    }
    return true;
}

// The raw ordering of two values: negative, 0, positive, or not_comparable. logic! orders
// false before true; native!, action! and op! by table index; function! and routine! by
// identity; any other type through its comparison.
i32 compare_result(const Cell& value1, const Cell& value2, i32 code);
// The truth of a comparison code; an ordering of values that cannot be ordered raises
// script/invalid-compare, an equality of them is false.
bool compare(const Cell& value1, const Cell& value2, i32 code);
// Compares arguments 0 and 1 of the current frame, the logic! to the result slot.
void compare_stack(i32 code);

}  // namespace zel::action
