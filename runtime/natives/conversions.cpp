// The natives that convert values: uppercase and lowercase, which change a char! or the
// characters of a string in place, and the builders of pair!, point2D! and point3D! from
// numbers; and as, which retypes a series between the block-like or the string-like
// types without copying it.
#include <algorithm>
#include <cmath>

#include "generated/refinements.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/pair.h"
#include "runtime/datatypes/point.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/names/runtime-words.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"
#include "runtime/text/case-mapping.h"

namespace zel::natives {
namespace {

using unicode::CaseDirection;

// The characters of a string from its position (pulled back to the tail) up to the /part
// limit, a count or a position in the same string, mapped in place; the owner of the
// string is told once, after the change.
void change_string_case(const Cell& text, const Cell* part, CaseDirection direction) {
    Cell s = text;
    const u32 total = string::total_length(s);
    s.w1 = std::min(s.w1, total);
    const i64 rest = total - s.w1;
    const i64 count = part ? std::clamp<i64>(series::part_count(s, *part), 0, rest) : rest;
    for (u32 i = s.w1; i < s.w1 + count; ++i) {
        const u32 cp = string::char_at_head(s, i);
        const u32 mapped = unicode::change_case_char(cp, direction);
        if (mapped != cp) string::write_char(as_series(s).node, i, mapped);
    }
    const Cell* action = direction == CaseDirection::upper ? words::uppercase : words::lowercase;
    series::notify(s, action, static_cast<i32>(s.w1), static_cast<i32>(count));
}

void change_case(const i32* refinements, u32 part_ref, CaseDirection direction) {
    Cell& value = arg(0);
    if (value.is(Type::char_)) {
        as_char(value).code_point = unicode::change_case_char(as_char(value).code_point, direction);
        return;
    }
    change_string_case(value, used(refinements, part_ref) ? &ref_arg(refinements, part_ref) : nullptr, direction);
}

double number_of(const Cell& n) { return n.is(Type::integer) ? integer::get(n) : float_::get(n); }

// A float coordinate is cut toward zero; one that is not a finite number or whose integer
// part falls outside 32 bits has no pair coordinate.
i32 pair_coordinate(const Cell& n) {
    if (n.is(Type::integer)) return integer::get(n);
    const double d = std::trunc(float_::get(n));
    if (!(d >= -2147483648.0 && d <= 2147483647.0)) raise(ErrorId::script_invalid_arg, &n);
    return static_cast<i32>(d);
}

}  // namespace

void uppercase(const i32* refinements) { change_case(refinements, uppercase_ref::part, CaseDirection::upper); }
void lowercase(const i32* refinements) { change_case(refinements, lowercase_ref::part, CaseDirection::lower); }

void as_pair(const i32*) { set_result(pair::cell(pair_coordinate(arg(0)), pair_coordinate(arg(1)))); }
void as_point2d(const i32*) { set_result(point::cell2(number_of(arg(0)), number_of(arg(1)))); }
void as_point3d(const i32*) { set_result(point::cell3(number_of(arg(0)), number_of(arg(1)), number_of(arg(2)))); }

// The series shares its buffer with its new type. A hash! keeps a key index beside its
// cells and is no block-like type here.
void as(const i32*) {
    const Cell& type_arg = arg(0);
    const Type to = type_arg.is(Type::datatype) ? static_cast<Type>(type_arg.w1) : type_arg.type();
    const Cell spec = arg(1);
    const auto block_like = [](Type t) { return series::any_block(t) && t != Type::hash; };
    if (!(block_like(to) && block_like(spec.type())) && !(series::any_string(to) && series::any_string(spec.type()))) {
        const Cell from = datatype::of(spec.type());
        const Cell target = datatype::of(to);
        raise(ErrorId::script_not_same_class, &from, &target);
    }
    Cell result = spec;
    cell::set_type(&result, to);
    set_result(result);
}

}  // namespace zel::natives
