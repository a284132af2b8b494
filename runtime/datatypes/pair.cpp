#include "runtime/datatypes/pair.h"

#include <cmath>
#include <utility>

#include "runtime/core/raise.h"
#include "runtime/datatypes/components.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/point.h"
#include "runtime/datatypes/random.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/names/runtime-words.h"

namespace zel::pair {
namespace {

// The pair redone as a point: the operation had no exact integer answer.
Cell* as_points(ArithOp op, const Cell& left, const Cell& right, Cell* value1) {
    *value1 = point::from_pair(left);
    Cell r = right.is(Type::pair) ? point::from_pair(right) : right;
    return point::arithmetic(op, value1, &r);
}

}  // namespace

Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2) {
    const Cell left = *value1;
    i32 rx = 0, ry = 0;
    switch (value2->type()) {
    case Type::pair:
        rx = as_pair(*value2).x;
        ry = as_pair(*value2).y;
        break;
    case Type::integer:
        rx = ry = integer::get(*value2);
        break;
    case Type::point2d:
        return as_points(op, left, *value2, value1);
    case Type::float_:
    case Type::percent: {
        const double d = float_payload(*value2);
        if (op == ArithOp::divide ? std::isnan(d) : !std::isfinite(d)) raise(ErrorId::script_invalid_arg, value2);
        if (op == ArithOp::multiply || op == ArithOp::divide) return as_points(op, left, *value2, value1);
        rx = ry = integer::truncate_or_raise(d, ErrorId::script_invalid_arg, value2);
        break;
    }
    default:
        components::raise_invalid_type(*value2);
    }
    Cell scratch = integer::cell(0);
    const i32 x = integer::binary_op(as_pair(left).x, rx, op, &scratch);
    if (!scratch.is(Type::integer)) return as_points(op, left, cell(rx, ry), value1);
    const i32 y = integer::binary_op(as_pair(left).y, ry, op, &scratch);
    if (!scratch.is(Type::integer)) return as_points(op, left, cell(rx, ry), value1);
    as_pair(*value1).x = x;
    as_pair(*value1).y = y;
    return value1;
}

Cell* negate(Cell* value) {
    // Wraps as 32-bit arithmetic: -2147483648 stays itself, as the pair's text shows.
    as_pair(*value).x = static_cast<i32>(0u - static_cast<u32>(as_pair(*value).x));
    as_pair(*value).y = static_cast<i32>(0u - static_cast<u32>(as_pair(*value).y));
    return value;
}

namespace {

[[noreturn]] void bad_to_arg(const Cell& spec) {
    const Cell type = datatype::of(Type::pair);
    raise(ErrorId::script_bad_to_arg, &type, &spec);
}

// An integer!'s value, or a float!'s truncated toward zero.
i32 int_of(const Cell& number, const Cell& spec) {
    if (number.is(Type::integer)) return integer::get(number);
    return integer::truncate_or_raise(float_payload(number), ErrorId::script_invalid_arg, &spec);
}

Cell* make(Cell* prototype, const Cell* spec, Type) {
    Cell result = cell(0, 0);
    switch (spec->type()) {
    case Type::pair:
        result = *spec;
        break;
    case Type::integer:
    case Type::float_: {
        const i32 n = int_of(*spec, *spec);
        result = cell(n, n);
        break;
    }
    case Type::block:
    case Type::paren:
    case Type::hash: {
        const components::Values v = components::values_of(*spec);
        if (v.count < 2) raise(ErrorId::syntax_malconstruct, spec);
        const Cell* cells = v.cells;
        for (int i = 0; i < 2; ++i) {
            if (!cells[i].is(Type::integer) && !cells[i].is(Type::float_)) raise(ErrorId::syntax_malconstruct, spec);
        }
        result = cell(int_of(cells[0], *spec), int_of(cells[1], *spec));
        break;
    }
    case Type::point2d:
        result = cell(integer::truncate_or_raise(point::get(*spec, 1), ErrorId::script_invalid_arg, spec),
                      integer::truncate_or_raise(point::get(*spec, 2), ErrorId::script_invalid_arg, spec));
        break;
    case Type::string:
        if (!components::load_as(*spec, Type::pair, result)) bad_to_arg(*spec);
        break;
    default:
        bad_to_arg(*spec);
    }
    *prototype = result;
    return prototype;
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    if (seed) {
        random::seed(value->w2 ^ value->w3);
        *value = unset_cell;
        return value;
    }
    auto p = as_pair(*value);
    p.x = random::int_up_to(secure, p.x);
    p.y = random::int_up_to(secure, p.y);
    return value;
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    const integer::DecimalText x = integer::to_decimal_text(as_pair(*value).x);
    const integer::DecimalText y = integer::to_decimal_text(as_pair(*value).y);
    out.append_ascii(x.view());
    out.append_char('x');
    out.append_ascii(y.view());
    return limit - static_cast<i32>(x.view().size() + 1 + y.view().size());
}

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return form(value, out, part, limit);
}

i32 component(const Cell& p, i32 i) { return i == 1 ? as_pair(p).x : as_pair(p).y; }

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step) {
    const i32 i = components::path_index(*element, step, {sym::x, sym::y}, 2);
    if (!value_to_set) {
        *parent = integer::cell(component(*parent, i));
        return parent;
    }
    if (!value_to_set->is(Type::integer)) components::raise_invalid_type(*value_to_set);
    (i == 1 ? as_pair(*parent).x : as_pair(*parent).y) = integer::get(*value_to_set);
    return parent;
}

Cell* pick(Cell* value, const Cell* index) {
    const i32 i = components::pick_index(*value, *index, {sym::x, sym::y}, 2);
    *value = integer::cell(component(*value, i));
    return value;
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (components::other_type_differs(*value1, *value2, code)) return 1;
    if (value2->is(Type::point2d)) {
        const Cell as_point = point::from_pair(*value1);
        return actions_of(as_point).on_compare(&as_point, value2, code);
    }
    if (!value2->is(Type::pair)) return not_comparable;
    const auto a = as_pair(*value1);
    const auto b = as_pair(*value2);
    if (a.x != b.x) return a.x < b.x ? -1 : 1;
    return a.y < b.y ? -1 : a.y > b.y ? 1 : 0;
}

Cell* absolute(Cell* value) {
    as_pair(*value).x = integer::abs(as_pair(*value).x);
    as_pair(*value).y = integer::abs(as_pair(*value).y);
    return value;
}

Cell* reverse(Cell* value, const Cell*, const Cell*) {
    auto p = as_pair(*value);
    std::swap(p.x, p.y);
    return value;
}

Cell* round(Cell* value, const Cell* scale, RoundFlags flags) {
    if (scale && scale->is(Type::money)) components::raise_not_related(Type::money);
    i32 result[2];
    for (i32 i = 1; i <= 2; ++i) {
        Cell c = integer::cell(component(*value, i));
        Cell by{};
        const Cell* s = scale;
        if (scale && scale->is(Type::pair)) {
            by = integer::cell(component(*scale, i));
            s = &by;
        }
        integer::round(&c, s, flags);
        result[i - 1] = int_of(c, c);
    }
    as_pair(*value).x = result[0];
    as_pair(*value).y = result[1];
    return value;
}

}  // namespace
}  // namespace zel::pair

namespace zel {

constinit const ActionRecord pair_actions = [] {
    using namespace pair;
    ActionRecord r;
    r.on_make = make;
    r.on_to = make;
    r.on_random = pair::random;
    r.on_form = form;
    r.on_mold = mold;
    r.on_eval_path = eval_path;
    r.on_compare = compare;
    r.on_absolute = absolute;
    r.on_negate = pair::negate;
    r.on_round = pair::round;
    set_arithmetic<arithmetic>(r);
    r.on_pick = pick;
    r.on_reverse = reverse;
    return r;
}();

}  // namespace zel
