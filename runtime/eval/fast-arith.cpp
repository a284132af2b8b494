#include "runtime/eval/fast-arith.h"

#include "runtime/datatypes/registry.h"
#include "runtime/eval/action.h"
#include "runtime/eval/frame.h"

namespace zel::action {
namespace {

Cell logic(bool b) { return b ? true_cell : false_cell; }

// The generic action of the operation, called in a native frame named by the operator.
Cell generic_arith(ArithOp op, const Cell& word, const Cell& left, const Cell& right) {
    frame::open_native(word);
    stack::push(left);
    stack::push(right);
    static constexpr i32 no_refinements[1] = {-1};
    call(slot_of(op), no_refinements);
    frame::close();
    return *stack::top_cell();
}

Cell arith(ArithOp op, const Cell& word, const Cell& left, const Cell& right) {
    Cell out;
    if (arith_core(op, left, right, out)) return out;
    const Cell value = generic_arith(op, word, left, right);
    stack::drop(1);
    return value;
}

bool generic_compare(i32 code, const Cell& word, const Cell& left, const Cell& right) {
    frame::open_native(word);
    stack::push(left);
    stack::push(right);
    compare_stack(code);
    frame::close();
    const bool truth = stack::top_cell()->w1 != 0;
    stack::drop(1);
    return truth;
}

bool truth_of(i32 code, const Cell& word, const Cell& left, const Cell& right) {
    bool truth = false;
    if (compare_core(code, left, right, truth)) return truth;
    return generic_compare(code, word, left, right);
}

}  // namespace

u32 slot_of(ArithOp op) {
    switch (op) {
    case ArithOp::add: return 11;
    case ArithOp::divide: return 12;
    case ArithOp::multiply: return 13;
    case ArithOp::remainder: return 16;
    case ArithOp::subtract: return 18;
    case ArithOp::and_: return 21;
    case ArithOp::or_: return 23;
    case ArithOp::xor_: return 24;
    }
    return 11;
}

void fast_arith(ArithOp op, const Cell& word, const Cell& left, const Cell& right) {
    const Cell value = arith(op, word, left, right);
    stack::push(value);
}

void fast_arith_int(ArithOp op, const Cell& word, const Cell& left, i32 right) {
    fast_arith(op, word, left, integer::cell(right));
}

void fast_arith_top(ArithOp op, const Cell& word, const Cell& right) {
    Cell* left = stack::top_cell();
    const Cell value = arith(op, word, *left, right);
    *left = value;
}

void fast_arith_top_int(ArithOp op, const Cell& word, i32 right) { fast_arith_top(op, word, integer::cell(right)); }

void fast_compare(i32 code, const Cell& word, const Cell& left, const Cell& right) {
    const bool truth = truth_of(code, word, left, right);
    stack::push(logic(truth));
}

void fast_compare_int(i32 code, const Cell& word, const Cell& left, i32 right) {
    fast_compare(code, word, left, integer::cell(right));
}

void fast_compare_top(i32 code, const Cell& word, const Cell& right) {
    Cell* left = stack::top_cell();
    const bool truth = truth_of(code, word, *left, right);
    *left = logic(truth);
}

void fast_compare_top_int(i32 code, const Cell& word, i32 right) {
    fast_compare_top(code, word, integer::cell(right));
}

bool fast_compare_test(i32 code, const Cell& word, const Cell& left, const Cell& right, bool invert) {
    return truth_of(code, word, left, right) != invert;
}

bool fast_compare_int_test(i32 code, const Cell& word, const Cell& left, i32 right, bool invert) {
    return fast_compare_test(code, word, left, integer::cell(right), invert);
}

bool fast_compare_to_result(i32 code, const Cell& word, const Cell& left, const Cell& right) {
    const bool truth = truth_of(code, word, left, right);
    *stack::base = logic(truth);
    return truth;
}

void compare_stack(i32 code) {
    const bool truth = compare_values(stack::base[0], stack::base[1], code);
    *stack::base = logic(truth);
}

}  // namespace zel::action
