// Arithmetic and comparison without a call. Two integer! operands (or, for add, subtract
// and multiply, two float!) are computed on the spot, an integer result that leaves the
// 32-bit range becoming the exact float!; any other operands go to the generic action or
// comparison through a native frame named by the operator word, as a call would.
#pragma once
#include "runtime/core/float-cell.h"
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
    truth = ordering_truth((a > b) - (a < b), code);
    return true;
}

// The generic action slot of an operation code.
u32 slot_of(ArithOp op);

// Each pushes its result (or, for the -top variants, replaces the last stack value, which
// is the left operand).
void fast_arith(ArithOp op, const Cell& word, const Cell& left, const Cell& right);
void fast_arith_int(ArithOp op, const Cell& word, const Cell& left, i32 right);
void fast_arith_top(ArithOp op, const Cell& word, const Cell& right);
void fast_arith_top_int(ArithOp op, const Cell& word, i32 right);
void fast_compare(i32 code, const Cell& word, const Cell& left, const Cell& right);
void fast_compare_int(i32 code, const Cell& word, const Cell& left, i32 right);
void fast_compare_top(i32 code, const Cell& word, const Cell& right);
void fast_compare_top_int(i32 code, const Cell& word, i32 right);
// The comparison's truth xor `invert`; nothing stays on the stack.
bool fast_compare_test(i32 code, const Cell& word, const Cell& left, const Cell& right, bool invert);
bool fast_compare_int_test(i32 code, const Cell& word, const Cell& left, i32 right, bool invert);
// Stores the logic! in the result slot and answers it.
bool fast_compare_to_result(i32 code, const Cell& word, const Cell& left, const Cell& right);

// Compares arguments 0 and 1 of the current frame by the generic comparison
// (compare_values), the logic! to the result slot.
void compare_stack(i32 code);

}  // namespace zel::action
