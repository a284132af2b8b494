#include "runtime/datatypes/tuple.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/components.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/random.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/core/type-families.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/text/string-units.h"

namespace zel::tuple {
namespace {

u8 clamp(i64 v) { return static_cast<u8>(std::clamp<i64>(v, 0, 255)); }

// A double saturated to a byte: beyond either end (infinities included) gives the end,
// a NaN gives 0.
u8 saturate(double v) {
    if (std::isnan(v)) return 0;
    return static_cast<u8>(std::clamp(std::trunc(v), 0.0, 255.0));
}

bool is_number(const Cell& c) { return c.is(Type::integer) || c.is(Type::float_) || c.is(Type::percent); }

// Component i of a tuple op the number n (or n op the component when the number came
// first, which only remainder reaches).
u8 with_number(u8 c, const Cell& number, ArithOp op, bool number_first) {
    if (number.is(Type::integer)) {
        const i32 a = number_first ? integer::get(number) : c;
        const i32 b = number_first ? c : integer::get(number);
        // Division truncates; an overflow saturates.
        Cell scratch = integer::cell(0);
        const i32 r = integer::binary_op(a, b, op, op == ArithOp::divide ? nullptr : &scratch);
        if (!scratch.is(Type::integer)) return float_payload(scratch) > 0 ? 255 : 0;
        return clamp(r);
    }
    const double n = float_payload(number);
    return saturate(number_first ? float_::binary_op(n, c, op) : float_::binary_op(c, n, op));
}

}  // namespace

Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2) {
    bool number_first = false;
    if (!value1->is(Type::tuple)) {
        if (op == ArithOp::subtract || op == ArithOp::divide) components::raise_not_related(value1->type());
        std::swap(*value1, *value2);
        number_first = op == ArithOp::remainder;
    }
    Cell& left = *value1;
    const Cell& right = *value2;
    if (right.is(Type::tuple)) {
        const u32 n = std::max(count(left), count(right));
        for (u32 i = 0; i < n; ++i) {
            const i32 a = i < count(left) ? bytes(left)[i] : 0;
            const i32 b = bytes(right)[i];
            Cell scratch = integer::cell(0);
            const i32 r = integer::binary_op(a, b, op, op == ArithOp::divide ? nullptr : &scratch);
            bytes(left)[i] = scratch.is(Type::integer) ? clamp(r) : float_payload(scratch) > 0 ? 255 : 0;
        }
        set_count(left, n);
        return value1;
    }
    if (!is_number(right)) components::raise_invalid_type(right);
    for (u32 i = 0; i < count(left); ++i) bytes(left)[i] = with_number(bytes(left)[i], right, op, number_first);
    return value1;
}

namespace {

[[noreturn]] void bad_to_arg(const Cell& spec) {
    const Cell type = datatype::of(Type::tuple);
    raise(ErrorId::script_bad_to_arg, &type, &spec);
}

u8 hex_digit(u32 c, const Cell& issue) {
    c &= 0x7F;
    if (c >= '0' && c <= '9') return static_cast<u8>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<u8>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<u8>(c - 'a' + 10);
    raise(ErrorId::script_invalid_data, &issue);
}

// #RGB, #RRGGBB or #RRGGBBAA.
Cell from_issue(const Cell& issue) {
    const std::string_view name = symbol::name(as_word(issue).symbol);
    u8 parts[4] = {};
    if (name.size() == 3) {
        for (u32 i = 0; i < 3; ++i) parts[i] = static_cast<u8>(hex_digit(static_cast<u8>(name[i]), issue) * 17);
        return cell(parts, 3);
    }
    if (name.size() != 6 && name.size() != 8) raise(ErrorId::script_invalid_data, &issue);
    for (u32 i = 0; i < name.size() / 2; ++i) {
        parts[i] = static_cast<u8>(hex_digit(static_cast<u8>(name[2 * i]), issue) << 4 |
                                   hex_digit(static_cast<u8>(name[2 * i + 1]), issue));
    }
    return cell(parts, static_cast<u32>(name.size() / 2));
}

Cell from_block(const Cell& block) {
    const auto [cells, n] = components::values_of(block);
    if (n > max_count) bad_to_arg(block);
    u8 parts[max_count] = {};
    for (u32 i = 0; i < n; ++i) {
        double v = 0;
        if (cells[i].is(Type::integer) || cells[i].is(Type::char_)) v = integer::get(cells[i]);
        else if (cells[i].is(Type::float_)) v = std::trunc(float_payload(cells[i]));
        else bad_to_arg(block);
        if (!(v >= 0 && v <= 255)) bad_to_arg(block);
        parts[i] = static_cast<u8>(v);
    }
    return cell(parts, n);
}

Cell* make(Cell* prototype, const Cell* spec, Type) {
    if (in_family(spec->type(), family::any_string)) {
        if (!components::load_as(*spec, Type::tuple, *prototype)) bad_to_arg(*spec);
        return prototype;
    }
    Cell result{};
    switch (spec->type()) {
    case Type::tuple:
        result = *spec;
        break;
    case Type::block:
    case Type::paren:
    case Type::hash:
        result = from_block(*spec);
        break;
    case Type::binary: {
        const unicode::Units b = unicode::units_of(*spec, max_count);
        result = cell(b.start, b.count);
        break;
    }
    case Type::issue:
        result = from_issue(*spec);
        break;
    default:
        bad_to_arg(*spec);
    }
    *prototype = result;
    return prototype;
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    if (seed) {
        random::seed(value->w1 ^ value->w2 ^ value->w3);
        *value = unset_cell;
        return value;
    }
    for (u32 i = 0; i < count(*value); ++i) {
        bytes(*value)[i] = static_cast<u8>(random::int_up_to(secure, bytes(*value)[i] + 1) - 1);
    }
    return value;
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    const u32 start = out.length();
    for (u32 i = 0; i < count(*value); ++i) {
        if (i > 0) out.append_char('.');
        out.append_ascii(integer::to_decimal_text(bytes(*value)[i]).view());
    }
    return limit - static_cast<i32>(out.length() - start);
}

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return form(value, out, part, limit);
}

i32 compare(const Cell* value1, const Cell* value2, i32) {
    if (!value2->is(Type::tuple)) return not_comparable;
    // Payload bytes past the count are zero, so the longer count reads missing ones as 0.
    const u32 n = std::max(count(*value1), count(*value2));
    for (u32 i = 0; i < n; ++i) {
        const u8 a = bytes(*value1)[i], b = bytes(*value2)[i];
        if (a != b) return a < b ? -1 : 1;
    }
    return 0;
}

Cell* pick(Cell* value, const Cell* index) {
    const i32 i = components::pick_index(*value, *index, {}, static_cast<i32>(count(*value)));
    *value = integer::cell(bytes(*value)[i - 1]);
    return value;
}

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep&) {
    if (!element->is(Type::integer)) components::raise_invalid_type(*element);
    if (!value_to_set) return pick(parent, element);
    if (!value_to_set->is(Type::integer) && !value_to_set->is(Type::none)) {
        components::raise_invalid_type(*value_to_set);
    }
    const i32 i = integer::get(*element);
    const u32 n = count(*parent);
    if (i < 1 || static_cast<u32>(i) > n) raise(ErrorId::script_out_of_range, element);
    if (value_to_set->is(Type::none)) {
        // none cuts the tuple before the component, keeping at least 3.
        for (u32 k = static_cast<u32>(i) - 1; k < n; ++k) bytes(*parent)[k] = 0;
        set_count(*parent, std::max<u32>(min_count, static_cast<u32>(i) - 1));
    } else {
        bytes(*parent)[i - 1] = clamp(integer::get(*value_to_set));
    }
    return parent;
}

Cell* complement(Cell* value) {
    for (u32 i = 0; i < count(*value); ++i) bytes(*value)[i] = static_cast<u8>(255 - bytes(*value)[i]);
    return value;
}

i32 length_q(Cell* value) { return static_cast<i32>(count(*value)); }

i32 refinement_integer(const Cell& value, Cell* refinement) {
    if (!value.is(Type::integer)) raise(ErrorId::script_invalid_refine_arg, refinement, &value);
    return integer::get(value);
}

Cell* reverse(Cell* value, const Cell* part, const Cell* skip) {
    i32 length = static_cast<i32>(count(*value));
    if (part) {
        length = refinement_integer(*part, refinements::part);
        if (length < 0) raise(ErrorId::script_out_of_range, part);
    }
    i32 size = 1;
    if (skip) {
        size = refinement_integer(*skip, refinements::skip);
        if (size == length) return value;
        if (size < 1) raise(ErrorId::script_out_of_range, skip);
        if (length < size || length % size != 0) raise(ErrorId::script_invalid_refine_arg, refinements::skip, skip);
    }
    const i32 span = std::min(length, static_cast<i32>(count(*value)));
    u8* b = bytes(*value);
    for (i32 front = 0, back = span - size; front < back; front += size, back -= size) {
        for (i32 k = 0; k < size; ++k) std::swap(b[front + k], b[back + k]);
    }
    return value;
}

}  // namespace
}  // namespace zel::tuple

namespace zel {

constinit const ActionRecord tuple_actions = [] {
    using namespace tuple;
    ActionRecord r;
    r.on_make = make;
    r.on_to = make;
    r.on_random = tuple::random;
    r.on_form = form;
    r.on_mold = mold;
    r.on_eval_path = eval_path;
    r.on_compare = compare;
    set_arithmetic<arithmetic>(r);
    r.on_complement = complement;
    r.on_length_q = length_q;
    r.on_pick = pick;
    r.on_reverse = reverse;
    return r;
}();

}  // namespace zel
