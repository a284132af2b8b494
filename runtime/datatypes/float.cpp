#include "runtime/datatypes/float.h"

#include <cfloat>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/core/raise.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/money.h"
#include "runtime/datatypes/number-first.h"
#include "runtime/datatypes/random.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/vector.h"
#include "runtime/memory/node.h"
#include "runtime/text/decimal-parse.h"
#include "runtime/text/float-text.h"
#include "runtime/text/string-units.h"

namespace zel::float_ {
namespace {

// The parameters that argument errors name, by their place in the actions' specs:
// `power number exponent`, `round n /to scale`.
constexpr u32 power_exponent_parameter = 1;
constexpr u32 round_scale_parameter = 2;

}  // namespace

bool almost_equal_q(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return false;
    if (a == b) return true;
    // An infinity is next to the largest finite double in the ordering below, yet no
    // finite value is near it.
    if (std::isinf(a) || std::isinf(b)) return false;
    if (std::fabs(a - b) < DBL_EPSILON) return true;
    // The doubles' bits mapped to unsigned integers in the doubles' order: adjacent
    // doubles map to adjacent integers.
    auto ordered = [](double x) {
        const u64 bits = std::bit_cast<u64>(x);
        return (bits >> 63) != 0 ? ~bits + 1 : bits | u64{1} << 63;
    };
    const u64 ia = ordered(a), ib = ordered(b);
    return (ia > ib ? ia - ib : ib - ia) <= 10;
}

bool almost_equal32_q(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) return false;
    if (a == b) return true;
    if (std::isinf(a) || std::isinf(b)) return false;
    if (std::fabs(a - b) < FLT_EPSILON) return true;
    auto ordered = [](float x) {
        const u32 bits = std::bit_cast<u32>(x);
        return (bits >> 31) != 0 ? ~bits + 1 : bits | u32{1} << 31;
    };
    const u32 ia = ordered(a), ib = ordered(b);
    return (ia > ib ? ia - ib : ib - ia) <= 10;
}

double binary_op(double a, double b, ArithOp op) {
    switch (op) {
    case ArithOp::add:
        return a + b;
    case ArithOp::subtract:
        return a - b;
    case ArithOp::multiply:
        return a * b;
    case ArithOp::divide:
        return a / b;
    case ArithOp::remainder: {
        if (std::isinf(b)) return std::isfinite(a) ? a : quiet_nan;
        const double r = std::fmod(a, b);
        return std::isnan(r) ? quiet_nan : r;
    }
    default: {
        // The bitwise operations that the integer core hands over with a float operand.
        const Cell call = calling_word();
        const Cell type = datatype::of(Type::float_);
        raise(ErrorId::script_cannot_use, &call, &type);
    }
    }
}

namespace {

[[noreturn]] void invalid_type(Type t) {
    const Cell type = datatype::of(t);
    raise(ErrorId::script_invalid_type, &type);
}

}  // namespace

Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2) {
    const Type lt = value1->type();
    const Type rt = value2->type();
    switch (rt) {
    case Type::integer:
    case Type::float_:
    case Type::percent:
    case Type::time:
        break;
    case Type::char_:
        if (lt == Type::time || lt == Type::percent) invalid_type(rt);
        break;
    case Type::pair:
    case Type::point2d:
    case Type::point3d:
    case Type::tuple:
        if (lt == Type::time) invalid_type(rt);
        return number_first::arithmetic(op, value1, value2, false);
    case Type::money:
        if (lt == Type::time) invalid_type(rt);
        return money::arithmetic(op, value1, value2);
    case Type::vector:
        return vector::scalar_first(op, value1, value2);
    default:
        invalid_type(rt);
    }
    const double result = binary_op(number_of(*value1), number_of(*value2), op);

    Type result_type = lt == Type::integer ? Type::float_ : lt;
    if ((lt == Type::time) != (rt == Type::time)) result_type = Type::time;
    if (lt == Type::integer) value1->header = header_of(Type::float_);
    cell::set_type(value1, result_type);
    set_float_payload(*value1, result);
    return value1;
}

double random_up_to(double bound, bool secure) {
    constexpr double int31_max = 2147483647.0;
    if (secure) {
        const double r1 = random::secure_int31();
        const double r2 = random::secure_int31();
        return (r2 + r1 / int31_max) * bound / 2147483648.0;
    }
    return (random::next() & 0x7FFFFFFFu) / int31_max * bound;
}

namespace {

[[noreturn]] void bad_to_arg(Type target, const Cell& spec) {
    const Cell type = datatype::of(target);
    raise(ErrorId::script_bad_to_arg, &type, &spec);
}

// The characters of a string-like value from its position, as ASCII, or nothing when one
// of them could not be part of a number.
std::optional<std::string> ascii_text(const Cell& text) {
    const u32 length = chars_from_position(text);
    std::string ascii(length, '\0');
    for (u32 i = 0; i < length; ++i) {
        const u32 c = char_at(text, i);
        if (c > 0x7F) return std::nullopt;
        ascii[i] = static_cast<char>(c);
    }
    return ascii;
}

// A whole text read as a number, scaled by 10^exponent_adjust; nothing when the text is
// empty or holds anything after the number.
std::optional<double> parse_number(std::string_view text, int exponent_adjust) {
    if (text.empty()) return std::nullopt;
    int left = 0;
    const double value = decimal::parse_double(text.data(), text.data() + text.size(), exponent_adjust, left);
    if (left != 0) return std::nullopt;
    return value;
}

// The value of number text: a float or integer, or a percent ("50%" is 0.5). Surrounding
// white space is no part of the value.
std::optional<double> parse_percent_text(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.back() == '%') return parse_number(text.substr(0, text.size() - 1), -2);
    return parse_number(text, 0);
}

// Up to 8 bytes from the binary's position, big-endian, as the low end of the double's bits.
double from_binary(const Cell& binary) {
    const unicode::Units bytes = unicode::units_of(binary, 8);
    u64 bits = 0;
    for (u32 i = 0; i < bytes.count; ++i) bits = bits << 8 | bytes.start[i];
    return std::bit_cast<double>(bits);
}

// [mantissa exponent] from the block's position: mantissa x 10 ** exponent, the exponent
// truncated toward zero.
std::optional<double> from_block(const Cell& block) {
    Buffer* b = node::buffer(block.w2);
    const u32 length = b->cell_count();
    if (block.w1 > length || length - block.w1 != 2) return std::nullopt;
    const Cell* cells = reinterpret_cast<const Cell*>(b->head_ptr()) + block.w1;
    for (int i = 0; i < 2; ++i) {
        if (!cells[i].is(Type::integer) && !cells[i].is(Type::float_)) bad_to_arg(Type::float_, cells[i]);
    }
    return number_of(cells[0]) * std::pow(10.0, std::trunc(number_of(cells[1])));
}

}  // namespace

Cell* make(Cell* prototype, const Cell* spec, Type target) {
    std::optional<double> value;
    switch (spec->type()) {
    case Type::integer:
    case Type::char_:
    case Type::time:
        value = number_of(*spec);
        break;
    case Type::float_:
    case Type::percent:
        value = get(*spec);
        break;
    case Type::money:
        value = money::to_float(*spec);
        break;
    case Type::string:
    case Type::file:
    case Type::url:
    case Type::tag:
    case Type::email:
    case Type::ref:
        if (const std::optional<std::string> text = ascii_text(*spec)) {
            value = target == Type::percent ? parse_percent_text(*text) : parse_number(*text, 0);
        }
        break;
    case Type::binary:
        value = from_binary(*spec);
        break;
    case Type::block:
    case Type::paren:
    case Type::hash:
        value = from_block(*spec);
        break;
    default:
        break;
    }
    if (!value) bad_to_arg(target, *spec);
    *prototype = cell(*value, target);
    return prototype;
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    if (seed) {
        random::seed(value->w2 ^ value->w3);
        *value = unset_cell;
        return value;
    }
    set_float_payload(*value, random_up_to(get(*value), secure));
    return value;
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    const FloatText text = to_text(get(*value), TextKind::float64);
    out.append_ascii(text.view());
    return limit - text.length;
}

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell*, i32 limit, i32) {
    // The shortest text that reads back as the same double.
    const FloatText text = decimal::format_double(get(*value), 0, true);
    out.append_ascii(text.view());
    return limit - text.length;
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if ((code == compare_code::strict_equal || code == compare_code::same || code == compare_code::find) &&
        value1->type() != value2->type()) {
        return 1;
    }
    const double a = get(*value1);
    double b = 0;
    switch (value2->type()) {
    case Type::integer:
    case Type::float_:
    case Type::percent:
    case Type::time:
        b = number_of(*value2);
        break;
    case Type::money:
        b = money::to_float(*value2);
        break;
    default:
        return not_comparable;
    }
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
        return almost_equal_q(a, b) ? 0 : 1;
    case compare_code::strict_equal:
        return a == b ? 0 : 1;
    case compare_code::same:
        return std::bit_cast<u64>(a) == std::bit_cast<u64>(b) ? 0 : 1;
    default:
        break;
    }
    if (std::isnan(a) || std::isnan(b)) {
        // Every ordering test with a NaN is false, sorting puts it among equals, and it
        // equals nothing.
        switch (code) {
        case compare_code::lesser:
        case compare_code::lesser_or_equal:
            return 1;
        case compare_code::greater:
        case compare_code::greater_or_equal:
            return -1;
        case compare_code::sort:
        case compare_code::case_sort:
            return 0;
        default:
            return 1;
        }
    }
    return a < b ? -1 : a > b ? 1 : 0;
}

Cell* absolute(Cell* value) {
    set_float_payload(*value, std::fabs(get(*value)));
    return value;
}

Cell* negate(Cell* value) {
    // 0.0 - x rather than -x: negating zero gives zero, not -0.0.
    set_float_payload(*value, 0.0 - get(*value));
    return value;
}

Cell* power(Cell* number, Cell* exponent) {
    if (!exponent->is(Type::integer) && !exponent->is(Type::float_)) raise_expect_arg(*exponent, power_exponent_parameter);
    set_float_payload(*number, std::pow(get(*number), number_of(*exponent)));
    return number;
}

namespace {

// w rounded to a whole number by the refinements (w in units of the scale).
double round_units(double w, RoundFlags flags) {
    const double m = std::fabs(w);
    const double f = std::floor(m);
    const double h = f + 0.5;
    const double toward_zero = std::copysign(f, w);
    const double away_from_zero = std::copysign(std::ceil(m), w);
    if (flags.down) return toward_zero;
    if (flags.floor) return std::floor(w);
    if (flags.ceiling) return std::ceil(w);
    if (m > h) return away_from_zero;
    if (m < h) return toward_zero;
    if (flags.even) return std::fmod(m, 2.0) < 1.0 ? toward_zero : away_from_zero;
    if (flags.half_down) return toward_zero;
    if (flags.half_ceiling) return std::ceil(w);
    return away_from_zero;
}

}  // namespace

Cell* round(Cell* value, const Cell* scale, RoundFlags flags) {
    if (scale) {
        switch (scale->type()) {
        case Type::integer:
        case Type::float_:
        case Type::percent:
        case Type::time:
            break;
        case Type::money: {
            const Cell call = calling_word();
            const Cell type = datatype::of(Type::money);
            raise(ErrorId::script_not_related, &call, &type);
        }
        default:
            raise_expect_arg(*scale, round_scale_parameter);
        }
    }
    const double v = get(*value);
    const bool percent_value = value->is(Type::percent);
    double s = percent_value ? 0.01 : 1.0;
    if (scale) {
        s = std::fabs(number_of(*scale));
        // A number scale counts in the percent's own units; a percent scale already is
        // a fraction.
        if (percent_value && !scale->is(Type::percent)) s /= 100;
    }
    // A zero scale, or one below the value's precision (infinities too), changes nothing.
    if (s == 0 || s < std::fabs(v) * 0x1p-53) return value;

    // Below 1 the scale's inverse is usually the exact number (10 for 0.1), which keeps
    // decimal results exact; a subnormal scale has no finite inverse and is used as it is.
    const double inverse = 1 / s;
    const bool by_inverse = s < 1.0 && std::isfinite(inverse);
    const double w = by_inverse ? v * inverse : v / s;
    const double r = round_units(w, flags);
    double result = 0;
    if (by_inverse) {
        result = r / inverse;
    } else {
        result = r * s;
        if (std::fabs(result) == DBL_MAX) raise(ErrorId::math_overflow);
    }

    // A percent rounded to a number of percent units stays a percent (12.345% to 1 is 12%).
    if (scale && scale->is(Type::integer) && !percent_value) {
        *value = integer::cell(integer::truncate_or_raise(result, ErrorId::math_overflow, nullptr));
        return value;
    }
    if (scale && !scale->is(Type::integer)) value->header = header_of(scale->type());
    set_float_payload(*value, result);
    return value;
}

namespace {

// Parity of the whole part: a value too large for 32 bits keeps its true parity (every
// double from 2^53 up is even), as do infinities and NaN, which count as even.
bool odd_whole_part(double value) { return std::fabs(std::fmod(std::trunc(value), 2.0)) == 1.0; }

}  // namespace

bool even_q(const Cell* value) { return !odd_whole_part(get(*value)); }

bool odd_q(const Cell* value) { return odd_whole_part(get(*value)); }

}  // namespace zel::float_

namespace zel {

constinit const ActionRecord float_actions = [] {
    using namespace float_;
    ActionRecord r;
    r.on_make = make;
    r.on_random = float_::random;
    r.on_to = make;
    r.on_form = form;
    r.on_mold = mold;
    r.on_compare = compare;
    r.on_absolute = absolute;
    r.on_add = arithmetic_action<arithmetic, ArithOp::add>;
    r.on_subtract = arithmetic_action<arithmetic, ArithOp::subtract>;
    r.on_multiply = arithmetic_action<arithmetic, ArithOp::multiply>;
    r.on_divide = arithmetic_action<arithmetic, ArithOp::divide>;
    r.on_remainder = arithmetic_action<arithmetic, ArithOp::remainder>;
    r.on_negate = negate;
    r.on_power = power;
    r.on_round = float_::round;
    r.on_even_q = even_q;
    r.on_odd_q = odd_q;
    return r;
}();

}  // namespace zel
