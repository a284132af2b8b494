#include "runtime/datatypes/point.h"

#include <cmath>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/components.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/random.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/hash/murmur3.h"
#include "runtime/names/runtime-words.h"
#include "runtime/text/float-text.h"

namespace zel::point {

Cell from_pair(const Cell& pair) {
    const auto p = as_pair(pair);
    return cell2(static_cast<double>(p.x), static_cast<double>(p.y));
}

namespace {

bool is_number(const Cell& c) { return c.is(Type::integer) || c.is(Type::float_) || c.is(Type::percent); }

// A point with every component n, of type t.
Cell filled(Type t, double n) { return t == Type::point3d ? cell3(n, n, n) : cell2(n, n); }

}  // namespace

Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2) {
    const Type t = value1->type();
    const i32 n = count(t);
    Cell right{};
    if (value2->is(t)) {
        right = *value2;
    } else if (value2->is(Type::pair) && t == Type::point2d) {
        right = from_pair(*value2);
    } else if (is_number(*value2)) {
        // The number rounded to 32 bits first, as a component would be.
        const float d = static_cast<float>(float_::number_of(*value2));
        if (!value2->is(Type::integer) && (op == ArithOp::multiply || op == ArithOp::divide)) {
            for (i32 i = 1; i <= n; ++i) set(*value1, i, float_::binary_op(get(*value1, i), d, op));
            return value1;
        }
        right = filled(t, d);
    } else {
        components::raise_invalid_type(*value2);
    }
    for (i32 i = 1; i <= n; ++i) set(*value1, i, float_::binary_op(get(*value1, i), get(right, i), op));
    return value1;
}

Cell* negate(Cell* value) {
    for (i32 i = 1; i <= count(value->type()); ++i) set(*value, i, 0.0 - get(*value, i));
    return value;
}

namespace {

[[noreturn]] void bad_to_arg(Type t, const Cell& spec) {
    const Cell type = datatype::of(t);
    raise(ErrorId::script_bad_to_arg, &type, &spec);
}

Cell* make(Cell* prototype, const Cell* spec, Type target) {
    const i32 n = count(target);
    Cell result{header_of(target), 0, 0, 0};
    switch (spec->type()) {
    case Type::integer:
    case Type::float_:
        result = filled(target, static_cast<float>(float_::number_of(*spec)));
        break;
    case Type::pair:
        result = from_pair(*spec);
        result.header = header_of(target);
        break;
    case Type::point2d:
    case Type::point3d:
        if (spec->is(target)) {
            result = *spec;
            break;
        }
        if (target == Type::point2d) bad_to_arg(target, *spec);
        result = *spec;
        result.header = header_of(target);
        result.w3 = 0;
        break;
    case Type::block:
    case Type::paren:
    case Type::hash: {
        const components::Values v = components::values_of(*spec);
        if (v.count < static_cast<u32>(n)) raise(ErrorId::syntax_malconstruct, spec);
        const Cell* cells = v.cells;
        for (i32 i = 0; i < n; ++i) {
            if (!cells[i].is(Type::integer) && !cells[i].is(Type::float_)) raise(ErrorId::syntax_malconstruct, spec);
            set(result, i + 1, static_cast<float>(float_::number_of(cells[i])));
        }
        break;
    }
    case Type::string:
        if (!components::load_as(*spec, target, result)) bad_to_arg(target, *spec);
        break;
    default:
        bad_to_arg(target, *spec);
    }
    *prototype = result;
    return prototype;
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    const i32 n = count(value->type());
    if (seed) {
        random::seed(murmur3::hash(&value->w1, static_cast<std::size_t>(n) * sizeof(u32), 0));
        *value = unset_cell;
        return value;
    }
    for (i32 i = 1; i <= n; ++i) {
        const float c = get(*value, i);
        if (c != 0) set(*value, i, float_::random_up_to(c, secure));
    }
    return value;
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    const i32 start = static_cast<i32>(out.length());
    out.append_char('(');
    for (i32 i = 1; i <= count(value->type()); ++i) {
        if (i > 1) out.append_ascii(", ");
        out.append_ascii(float_::to_text(get(*value, i), float_::TextKind::coordinate).view());
    }
    out.append_char(')');
    return limit - (static_cast<i32>(out.length()) - start);
}

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return form(value, out, part, limit);
}

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step) {
    const i32 i = components::path_index(*element, step, {sym::x, sym::y, sym::z}, count(parent->type()));
    if (!value_to_set) {
        *parent = float_::cell(get(*parent, i));
        return parent;
    }
    if (!value_to_set->is(Type::integer) && !value_to_set->is(Type::float_)) {
        components::raise_invalid_type(*value_to_set);
    }
    set(*parent, i, float_::number_of(*value_to_set));
    return parent;
}

Cell* pick(Cell* value, const Cell* index) {
    const i32 i = components::pick_index(*value, *index, {sym::x, sym::y, sym::z}, count(value->type()));
    *value = float_::cell(get(*value, i));
    return value;
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (components::other_type_differs(*value1, *value2, code)) return 1;
    const Type t = value1->type();
    const i32 n = count(t);
    Cell other = *value2;
    if (other.is(Type::pair) && t == Type::point2d) other = from_pair(other);
    if (!other.is(t)) return not_comparable;
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
        for (i32 i = 1; i <= n; ++i) {
            if (!float_::almost_equal32_q(get(*value1, i), get(other, i))) return 1;
        }
        return 0;
    case compare_code::strict_equal:
        for (i32 i = 1; i <= n; ++i) {
            if (get(*value1, i) != get(other, i)) return 1;
        }
        return 0;
    case compare_code::same:
        return value1->w1 == other.w1 && value1->w2 == other.w2 && (n == 2 || value1->w3 == other.w3) ? 0 : 1;
    default:
        break;
    }
    // The first difference that is not nearly zero decides.
    double difference = 0;
    for (i32 i = 1; i <= n; ++i) {
        difference = static_cast<double>(get(*value1, i)) - get(other, i);
        if (!float_::almost_equal32_q(static_cast<float>(difference), 0.0f)) break;
    }
    return difference < 0 ? -1 : difference > 0 ? 1 : 0;
}

Cell* absolute(Cell* value) {
    for (i32 i = 1; i <= count(value->type()); ++i) set(*value, i, std::fabs(get(*value, i)));
    return value;
}

Cell* reverse(Cell* value, const Cell*, const Cell*) {
    const i32 last = count(value->type());
    const float first = get(*value, 1);
    set(*value, 1, get(*value, last));
    set(*value, last, first);
    return value;
}

Cell* round(Cell* value, const Cell* scale, RoundFlags flags) {
    if (scale && scale->is(Type::money)) components::raise_not_related(Type::money);
    const i32 n = count(value->type());
    const bool compound = scale && (scale->is(Type::pair) || scale->is(Type::point2d) || scale->is(Type::point3d));
    for (i32 i = 1; i <= n; ++i) {
        Cell component = float_::cell(get(*value, i));
        Cell by{};
        const Cell* s = scale;
        if (compound) {
            if (scale->is(Type::pair)) {
                by = i <= 2 ? integer::cell(i == 1 ? as_pair(*scale).x : as_pair(*scale).y) : integer::cell(0);
            } else {
                by = float_::cell(i <= count(scale->type()) ? get(*scale, i) : 0.0);
            }
            s = &by;
        }
        float_::round(&component, s, flags);
        set(*value, i, component.is(Type::integer) ? integer::get(component) : float_payload(component));
    }
    return value;
}

}  // namespace
}  // namespace zel::point

namespace zel {

namespace {

// The two widths share every action.
constexpr ActionRecord point_actions() {
    using namespace point;
    ActionRecord r;
    r.on_make = make;
    r.on_to = make;
    r.on_random = point::random;
    r.on_form = form;
    r.on_mold = mold;
    r.on_eval_path = eval_path;
    r.on_compare = compare;
    r.on_absolute = absolute;
    r.on_negate = point::negate;
    r.on_round = point::round;
    r.on_add = arithmetic_action<arithmetic, ArithOp::add>;
    r.on_subtract = arithmetic_action<arithmetic, ArithOp::subtract>;
    r.on_multiply = arithmetic_action<arithmetic, ArithOp::multiply>;
    r.on_divide = arithmetic_action<arithmetic, ArithOp::divide>;
    r.on_remainder = arithmetic_action<arithmetic, ArithOp::remainder>;
    r.on_pick = pick;
    r.on_reverse = reverse;
    return r;
}

}  // namespace

constinit const ActionRecord point2d_actions = point_actions();
constinit const ActionRecord point3d_actions = point_actions();

}  // namespace zel
