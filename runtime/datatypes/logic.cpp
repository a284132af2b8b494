#include "runtime/datatypes/logic.h"

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/random.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"

namespace zel::logic {

bool is_false(const Cell& value) {
    return value.is(Type::none) || (value.is(Type::logic) && !get(value));
}

bool condition_true(const Cell& value) {
    if (value.is(Type::unset)) raise(ErrorId::script_no_return);
    return !is_false(value);
}

namespace {

// Where the bitwise actions' second operand stands in their specs (`and~ value1 value2`).
constexpr u32 second_operand_parameter = 1;

Cell* to(Cell* prototype, const Cell* spec, Type) {
    *prototype = spec->is(Type::logic) ? *spec : cell(!spec->is(Type::none));
    return prototype;
}

// `make` reads numbers by their value (0 is false), where `to` takes any value as true.
Cell* make(Cell* prototype, const Cell* spec, Type target) {
    switch (spec->type()) {
    case Type::integer:
        *prototype = cell(spec->w2 != 0);
        return prototype;
    case Type::float_:
    case Type::percent:
        // A NaN is not 0.0, so it makes true.
        *prototype = cell(float_payload(*spec) != 0.0);
        return prototype;
    default:
        return to(prototype, spec, target);
    }
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    if (seed) {
        random::seed(value->w1);
        *value = unset_cell;
        return value;
    }
    // One 31-bit draw split at its midpoint: true and false are equally likely.
    value->w1 = random::int31(secure) > 0x3FFFFFFF ? 1 : 0;
    return value;
}

std::string_view text_of(const Cell* value) { return get(*value) ? "true" : "false"; }

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    out.append_ascii(text_of(value));
    return limit - static_cast<i32>(text_of(value).size());
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32) {
    if (!flags.all) return form(value, out, part, limit);
    out.append_ascii("#(");
    out.append_ascii(text_of(value));
    out.append_ascii(")");
    return limit - static_cast<i32>(text_of(value).size()) - 3;
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (!value2->is(Type::logic) || !compare_code::asks_equality_or_sort(code)) return not_comparable;
    // false sorts before true.
    return static_cast<i32>(value1->w1) - static_cast<i32>(value2->w1);
}

Cell* complement(Cell* value) {
    value->w1 ^= 1;
    return value;
}

template <ArithOp op>
Cell* bitwise_op(Cell* value1, Cell* value2) {
    if (!value2->is(Type::logic)) raise_expect_arg(*value2, second_operand_parameter);
    if constexpr (op == ArithOp::and_) value1->w1 &= value2->w1;
    else if constexpr (op == ArithOp::or_) value1->w1 |= value2->w1;
    else value1->w1 ^= value2->w1;
    return value1;
}

}  // namespace
}  // namespace zel::logic

namespace zel {

constinit const ActionRecord logic_actions = [] {
    ActionRecord r;
    r.on_make = logic::make;
    r.on_random = logic::random;
    r.on_to = logic::to;
    r.on_form = logic::form;
    r.on_mold = logic::mold;
    r.on_compare = logic::compare;
    r.on_and_ = logic::bitwise_op<ArithOp::and_>;
    r.on_complement = logic::complement;
    r.on_or_ = logic::bitwise_op<ArithOp::or_>;
    r.on_xor_ = logic::bitwise_op<ArithOp::xor_>;
    return r;
}();

}  // namespace zel
