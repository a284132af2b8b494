#include "runtime/datatypes/time.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/components.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/date.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/core/type-families.h"
#include "runtime/names/runtime-words.h"
#include "runtime/text/float-text.h"

namespace zel::time {

namespace {

// The text of the seconds within the minute, and the magnitude of the time as that text
// shows it: seconds that round up to a whole minute carry into the minutes.
struct ShownSeconds {
    double magnitude;
    FloatText text;
};

ShownSeconds shown(double magnitude) {
    const double s = std::fmod(magnitude, 60.0);
    ShownSeconds r{magnitude, float_::to_text(s, float_::TextKind::seconds)};
    if (s < 0.000001 || r.text.view().starts_with("60")) {
        if (s >= 0.000001) r.magnitude = std::floor(magnitude / 60.0) * 60.0 + 60.0;
        r.text = FloatText{};
        r.text.text[0] = r.text.text[1] = '0';
        r.text.length = 2;
    }
    return r;
}

}  // namespace

double shown_seconds(double seconds) {
    if (!std::isfinite(seconds)) return seconds;
    const double magnitude = shown(std::fabs(seconds)).magnitude;
    return seconds < 0 ? -magnitude : magnitude;
}

i32 form_seconds(double seconds, Output& out) {
    const u32 start = out.length();
    if (!std::isfinite(seconds)) {
        out.append_ascii(float_::to_text(seconds, float_::TextKind::float64).view());
        return static_cast<i32>(out.length() - start);
    }
    if (seconds < 0) out.append_char('-');
    const auto [magnitude, second_text] = shown(std::fabs(seconds));
    char hours[32];
    const int n = std::snprintf(hours, sizeof hours, "%.0f", std::floor(magnitude / 3600.0));
    out.append_ascii({hours, static_cast<std::size_t>(n)});
    const i32 minutes = static_cast<i32>(std::floor(std::fmod(magnitude, 3600.0) / 60.0));
    out.append_char(':');
    if (minutes < 10) out.append_char('0');
    out.append_ascii(integer::to_decimal_text(minutes).view());
    out.append_char(':');
    const std::string_view text = second_text.view();
    if (text.size() == 1 || text[1] == '.') out.append_char('0');
    out.append_ascii(text);
    return static_cast<i32>(out.length() - start);
}

namespace {

double seconds_of(const Cell& t) { return float_payload(t); }

[[noreturn]] void bad_to_arg(const Cell& spec) {
    const Cell type = datatype::of(Type::time);
    raise(ErrorId::script_bad_to_arg, &type, &spec);
}

// [hours minutes seconds]: at most three values, whole numbers but for a float of seconds;
// only the first may be negative, and its sign is the whole time's.
double from_block(const Cell& block) {
    const auto [cells, count] = components::values_of(block);
    if (count > 3) bad_to_arg(block);
    constexpr double units[3] = {3600.0, 60.0, 1.0};
    double total = 0;
    bool negative = false;
    for (u32 i = 0; i < count; ++i) {
        double v = 0;
        if (cells[i].is(Type::integer)) v = integer::get(cells[i]);
        else if (cells[i].is(Type::float_) && i == 2) v = float_payload(cells[i]);
        else bad_to_arg(block);
        if (v < 0) {
            if (i > 0) bad_to_arg(block);
            negative = true;
            v = -v;
        }
        total += v * units[i];
    }
    return negative ? -total : total;
}

Cell* make(Cell* prototype, const Cell* spec, Type) {
    if (in_family(spec->type(), family::any_string)) {
        if (!components::load_as(*spec, Type::time, *prototype)) bad_to_arg(*spec);
        return prototype;
    }
    double seconds = 0;
    switch (spec->type()) {
    case Type::time:
        *prototype = *spec;
        return prototype;
    case Type::integer:
        seconds = integer::get(*spec);
        break;
    case Type::float_:
    case Type::percent:
        seconds = float_payload(*spec);
        break;
    case Type::block:
    case Type::paren:
    case Type::hash:
        seconds = from_block(*spec);
        break;
    default:
        bad_to_arg(*spec);
    }
    *prototype = float_::cell(seconds, Type::time);
    return prototype;
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    return limit - form_seconds(seconds_of(*value), out);
}

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return form(value, out, part, limit);
}

// The fields of a time: the hour truncated toward zero, the minute of the magnitude
// (0-59), the second with the time's sign. So the seconds are exactly
// hour x 3600 + sign x minute x 60 + second.
double sign_of(double v) { return v < 0 ? -1.0 : 1.0; }

Cell field(double v, i32 i) {
    switch (i) {
    case 1:
        return integer::cell(integer::truncate_or_raise(std::trunc(v / 3600.0), ErrorId::math_overflow, nullptr));
    case 2:
        return integer::cell(static_cast<i32>(std::floor(std::fmod(std::fabs(v), 3600.0) / 60.0)));
    default:
        return float_::cell(std::fmod(v, 60.0));
    }
}

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step) {
    const i32 i = components::path_index(*element, step, {sym::hour, sym::minute, sym::second}, 3);
    const double v = seconds_of(*parent);
    if (!value_to_set) {
        *parent = field(v, i);
        return parent;
    }
    if (!value_to_set->is(Type::integer) && !(i == 3 && value_to_set->is(Type::float_))) {
        raise(ErrorId::script_invalid_arg, value_to_set);
    }
    // The field's share of the seconds is replaced, so setting a field to the value it
    // gives leaves the time as it was, negative times included.
    const double unit = i == 1 ? 3600.0 : i == 2 ? sign_of(v) * 60.0 : 1.0;
    set_float_payload(*parent, v + (float_::number_of(*value_to_set) - float_::number_of(field(v, i))) * unit);
    return parent;
}

Cell* pick(Cell* value, const Cell* index) {
    const i32 i = components::pick_index(*value, *index, {sym::hour, sym::minute, sym::second}, 3);
    *value = field(seconds_of(*value), i);
    return value;
}

Cell* add(Cell* value1, Cell* value2) {
    // A date plus a time is the date's arithmetic, with the operands swapped.
    if (value2->is(Type::date)) {
        std::swap(*value1, *value2);
        return date::arithmetic(ArithOp::add, value1, value2);
    }
    return float_::arithmetic(ArithOp::add, value1, value2);
}

Cell* subtract(Cell* value1, Cell* value2) {
    if (value2->is(Type::date)) components::raise_not_related(Type::time);
    return float_::arithmetic(ArithOp::subtract, value1, value2);
}

Cell* multiply(Cell* value1, Cell* value2) {
    if (value2->is(Type::time)) components::raise_not_related(Type::time);
    return float_::arithmetic(ArithOp::multiply, value1, value2);
}

Cell* divide(Cell* value1, Cell* value2) {
    const bool ratio = value2->is(Type::time);
    float_::arithmetic(ArithOp::divide, value1, value2);
    if (ratio) cell::set_type(value1, Type::float_);
    return value1;
}

Cell* round(Cell* value, const Cell* scale, RoundFlags flags) {
    if (scale && scale->is(Type::money)) components::raise_not_related(Type::money);
    float_::round(value, scale, flags);
    const double seconds = value->is(Type::integer) ? integer::get(*value) : float_payload(*value);
    *value = float_::cell(seconds, Type::time);
    return value;
}

// Whole seconds of the minute, after a nudge away from zero that absorbs the noise of
// fractions.
bool odd_second(const Cell* value) {
    const double v = seconds_of(*value);
    const double nudged = v + sign_of(v) * 0.000001;
    return std::fabs(std::fmod(std::trunc(std::fmod(nudged, 60.0)), 2.0)) == 1.0;
}

bool even_q(const Cell* value) { return !odd_second(value); }

bool odd_q(const Cell* value) { return odd_second(value); }

}  // namespace
}  // namespace zel::time

namespace zel {

constinit const ActionRecord time_actions = [] {
    using namespace time;
    ActionRecord r;
    r.on_make = make;
    r.on_to = make;
    r.on_random = inherit;
    r.on_form = form;
    r.on_mold = mold;
    r.on_eval_path = eval_path;
    r.on_compare = inherit;
    r.on_absolute = inherit;
    r.on_negate = inherit;
    r.on_remainder = inherit;
    r.on_add = time::add;
    r.on_subtract = time::subtract;
    r.on_multiply = time::multiply;
    r.on_divide = time::divide;
    r.on_round = time::round;
    r.on_even_q = even_q;
    r.on_odd_q = odd_q;
    r.on_pick = pick;
    return r;
}();

}  // namespace zel
