// Arithmetic and comparison without a call. Two integer! operands (or, for add, subtract
// and multiply, two float!) are computed on the spot by the integer! and float! cores;
// any other operands go to the generic action or comparison through a native frame named
// by the operator word, as a call would.
#pragma once
#include "runtime/datatypes/action-signatures.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"

namespace zel::action {

// The core of the fast paths: true, with the result in `out`, when the operands take it.
// The rules (overflow into float!, float operations) are the datatypes' own cores; only
// the choice of operands is made here.
inline bool arith_core(ArithOp op, const Cell& left, const Cell& right, Cell& out) {
    if (left.is(Type::integer) && right.is(Type::integer)) {
        if (op == ArithOp::divide || op == ArithOp::remainder) return false;
        out = integer::cell(0);
        integer::binary_op(integer::get(left), integer::get(right), op, &out);
        return true;
    }
    if (left.is(Type::float_) && right.is(Type::float_)) {
        if (op != ArithOp::add && op != ArithOp::subtract && op != ArithOp::multiply) return false;
        out = float_::cell(float_::binary_op(float_::get(left), float_::get(right), op));
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
