// The mathematical natives: sign tests, max and min over numbers and composite scalars,
// bit shifts, hexadecimal text, trigonometry in degrees or radians, logarithms, exp,
// square-root, NaN? and zero?. Floating-point results are the C library's, NaN and the
// infinities included: no domain is checked.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "generated/refinements.h"
#include "runtime/core/compare-codes.h"
#include "runtime/core/money-word.h"
#include "runtime/core/raise.h"
#include "runtime/core/type-families.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/point.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/tuple.h"
#include "runtime/lexer/lexer-words.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

constexpr double pi = 3.141592653589793;
// Below this magnitude a sine or cosine is taken for the zero it approximates.
constexpr double negligible = 2.220446049250313e-16;

bool is_number(const Cell& value) { return in_family(value.type(), family::number); }

// -1, 0 or 1; a NaN counts as 0.
i32 sign_of(const Cell& value) {
    switch (value.type()) {
    case Type::integer: {
        const i32 n = integer::get(value);
        return (n > 0) - (n < 0);
    }
    case Type::money:
        if (money_word::amount_of(value) == 0) return 0;
        return money_word::negative_bit(value) ? -1 : 1;
    case Type::float_:
    case Type::percent:
    case Type::time: {
        const double d = float_::get(value);
        return (d > 0.0) - (d < 0.0);
    }
    default: raise_expect_arg(value, 0);
    }
}

// ---- max and min ---------------------------------------------------------------------

bool composite(Type t) { return t == Type::pair || t == Type::point2d || t == Type::point3d || t == Type::tuple; }

bool nan_number(const Cell& value) {
    return (value.is(Type::float_) || value.is(Type::percent)) && std::isnan(float_::get(value));
}

template <class T>
T choose(T a, T b, bool greater) {
    return greater ? (a < b ? b : a) : (b < a ? b : a);
}

// Point components on 32-bit floats; a NaN component gives way to the other side's.
float choose_component(float a, float b, bool greater) {
    return std::isnan(a) || (greater ? a < b : b < a) ? b : a;
}

// A point against a point of its kind, or against a number applied to every component.
Cell points(Cell point, const Cell& other, bool greater) {
    const bool number = is_number(other);
    for (i32 i = 1, n = point::count(point.type()); i <= n; ++i) {
        const float b = number ? static_cast<float>(float_::number_of(other)) : point::get(other, i);
        point::set(point, i, choose_component(point::get(point, i), b, greater));
    }
    return point;
}

// A pair against a pair component-wise, against a point2D! as a point, against a number
// applied to both components; a float that no 32-bit integer holds turns the pair into a
// point2D! instead.
Cell pairs(const Cell& pair, const Cell& other, bool greater) {
    if (other.is(Type::point2d)) return points(point::from_pair(pair), other, greater);
    i32 bx = 0, by = 0;
    if (other.is(Type::pair)) {
        bx = static_cast<i32>(other.w2);
        by = static_cast<i32>(other.w3);
    } else if (other.is(Type::integer)) {
        bx = by = integer::get(other);
    } else {
        const std::optional<i32> whole = integer::truncate(float_::number_of(other));
        if (!whole) return points(point::from_pair(pair), other, greater);
        bx = by = *whole;
    }
    Cell result = pair;
    result.w2 = static_cast<u32>(choose(static_cast<i32>(pair.w2), bx, greater));
    result.w3 = static_cast<u32>(choose(static_cast<i32>(pair.w3), by, greater));
    return result;
}

// A tuple against a tuple byte by byte over their common length (the first tuple's other
// bytes kept), against a number clamped to 0-255 for every byte.
Cell tuples(const Cell& tuple, const Cell& other, bool greater) {
    Cell result = tuple;
    u8* bytes = tuple::bytes(result);
    if (other.is(Type::tuple)) {
        const u32 n = std::min(tuple::count(tuple), tuple::count(other));
        for (u32 i = 0; i < n; ++i) bytes[i] = choose(bytes[i], tuple::bytes(other)[i], greater);
        return result;
    }
    i32 n = 0;
    if (other.is(Type::integer)) {
        n = integer::get(other);
    } else {
        const Cell integer_type = datatype::of(Type::integer);
        n = integer::truncate_or_raise(float_::number_of(other), ErrorId::script_type_limit, &integer_type);
    }
    const u8 clamped = static_cast<u8>(std::clamp(n, 0, 255));
    for (u32 i = 0; i < tuple::count(tuple); ++i) bytes[i] = choose(bytes[i], clamped, greater);
    return result;
}

void max_min(bool greater) {
    const Cell* first = &arg(0);
    const Cell* second = &arg(1);
    if (nan_number(*first) && is_number(*second)) return set_result(*first);
    if (nan_number(*second) && is_number(*first)) return set_result(*second);
    if (is_number(*first) && composite(second->type())) std::swap(first, second);
    switch (first->type()) {
    case Type::pair:
        if (second->is(Type::pair) || second->is(Type::point2d) || is_number(*second)) {
            return set_result(pairs(*first, *second, greater));
        }
        break;
    case Type::point2d:
        if (second->is(Type::pair)) return set_result(points(*first, point::from_pair(*second), greater));
        [[fallthrough]];
    case Type::point3d:
        if (second->is(first->type()) || is_number(*second)) return set_result(points(*first, *second, greater));
        break;
    case Type::tuple:
        if (second->is(Type::tuple) || is_number(*second)) return set_result(tuples(*first, *second, greater));
        break;
    default: break;
    }
    // Equal values give the second one, for either of the two.
    const bool lesser = compare_values(*first, *second, compare_code::lesser);
    set_result(greater == lesser ? *second : *first);
}

// ---- trigonometry --------------------------------------------------------------------

enum class Trig { tangent, cosine, sine };

// An angle in degrees brought to one where the function has the same value: within
// [-180, 180] for cosine (an even function), within [-90, 90] for sine (symmetric about
// 90) and tangent (periodic by 180).
double reduce_degrees(double x, Trig function) {
    x = std::fmod(x, 360.0);
    if (x > 180.0 || x < -180.0) x = x >= 0.0 ? x - 360.0 : x + 360.0;
    if (x > 90.0 || x < -90.0) {
        if (function == Trig::tangent) x = x >= 0.0 ? x - 180.0 : x + 180.0;
        if (function == Trig::sine) x = x >= 0.0 ? 180.0 - x : -180.0 - x;
    }
    return x;
}

// The reduced angles whose value is a fraction that the rounded radians would miss by a
// unit in the last place (sine 30 is 0.5, not 0.49999999999999994).
std::optional<double> exact_value(double degrees, Trig function) {
    const double a = std::fabs(degrees);
    switch (function) {
    case Trig::sine:
        if (a == 30.0) return std::copysign(0.5, degrees);
        break;
    case Trig::cosine:
        if (a == 60.0) return 0.5;
        if (a == 120.0) return -0.5;
        break;
    case Trig::tangent:
        if (a == 45.0) return std::copysign(1.0, degrees);
        break;
    }
    return std::nullopt;
}

double negligible_to_zero(double value) { return std::fabs(value) < negligible ? 0.0 : value; }

void trig(const i32* refinements, u32 radians_ref, Trig function) {
    double x = float_::number_of(arg(0));
    if (!used(refinements, radians_ref)) {
        x = reduce_degrees(x, function);
        if (const std::optional<double> exact = exact_value(x, function)) {
            set_result(float_::cell(*exact));
            return;
        }
        x = x * pi / 180.0;
    }
    double value = 0.0;
    switch (function) {
    case Trig::sine: value = negligible_to_zero(std::sin(x)); break;
    case Trig::cosine: value = negligible_to_zero(std::cos(x)); break;
    case Trig::tangent:
        value = x == pi / 2 ? HUGE_VAL : x == -pi / 2 ? -HUGE_VAL : std::tan(x);
        break;
    }
    set_result(float_::cell(value));
}

void float_result(double value) { set_result(float_::cell(value)); }

// An angle in radians, or in degrees without /radians.
void angle_result(const i32* refinements, u32 radians_ref, double radians) {
    float_result(used(refinements, radians_ref) ? radians : radians * 180.0 / pi);
}

}  // namespace

void negative_q(const i32*) { set_result(logic::cell(sign_of(arg(0)) < 0)); }
void positive_q(const i32*) { set_result(logic::cell(sign_of(arg(0)) > 0)); }
void sign_q(const i32*) { set_result(integer::cell(sign_of(arg(0)))); }

void max_(const i32*) { max_min(true); }
void min_(const i32*) { max_min(false); }

// Counts of 32 and more shift every bit out: what is left is the sign for an arithmetic
// right shift, else 0. A negative count shifts nothing.
void shift(const i32* refinements) {
    const i32 data = integer::get(arg(0));
    const i32 bits = std::max(integer::get(arg(1)), 0);
    const u32 raw = static_cast<u32>(data);
    i32 result = 0;
    if (used(refinements, shift_ref::left)) {
        result = bits >= 32 ? 0 : static_cast<i32>(raw << bits);
    } else if (used(refinements, shift_ref::logical)) {
        result = bits >= 32 ? 0 : static_cast<i32>(raw >> bits);
    } else {
        result = bits >= 32 ? (data < 0 ? -1 : 0) : data >> bits;
    }
    set_result(integer::cell(result));
}

// The 32 bits as eight digits (a negative number in two's complement); /size keeps the
// last digits only.
void to_hex(const i32* refinements) {
    std::string digits = int_to_hex(static_cast<u32>(integer::get(arg(0))), false);
    if (used(refinements, to_hex_ref::size)) {
        const Cell& length = ref_arg(refinements, to_hex_ref::size);
        const i32 n = integer::get(length);
        if (n < 1) raise(ErrorId::script_invalid_arg, &length);
        if (n < 8) digits.erase(0, static_cast<std::size_t>(8 - n));
    }
    set_result(lexer::make_word(Type::issue, reinterpret_cast<const u8*>(digits.data()), static_cast<u32>(digits.size())));
}

void sine(const i32* refinements) { trig(refinements, sine_ref::radians, Trig::sine); }
void cosine(const i32* refinements) { trig(refinements, cosine_ref::radians, Trig::cosine); }
void tangent(const i32* refinements) { trig(refinements, tangent_ref::radians, Trig::tangent); }

void arcsine(const i32* refinements) {
    angle_result(refinements, arcsine_ref::radians, std::asin(float_::number_of(arg(0))));
}
void arccosine(const i32* refinements) {
    angle_result(refinements, arccosine_ref::radians, std::acos(float_::number_of(arg(0))));
}
void arctangent(const i32* refinements) {
    angle_result(refinements, arctangent_ref::radians, std::atan(float_::number_of(arg(0))));
}
void arctangent2(const i32* refinements) {
    angle_result(refinements, arctangent2_ref::radians, std::atan2(float_::number_of(arg(0)), float_::number_of(arg(1))));
}

void nan_q(const i32*) { set_result(logic::cell(!arg(0).is(Type::integer) && std::isnan(float_::get(arg(0))))); }

void zero_q(const i32*) {
    const Cell& value = arg(0);
    bool zero = false;
    switch (value.type()) {
    case Type::money: zero = money_word::amount_of(value) == 0; break;
    case Type::integer:
    case Type::char_: zero = value.w2 == 0; break;
    case Type::float_:
    case Type::percent:
    case Type::time: zero = float_::get(value) == 0.0; break;
    case Type::pair: zero = value.w2 == 0 && value.w3 == 0; break;
    case Type::point2d:
    case Type::point3d: {
        zero = true;
        for (i32 i = 1, n = point::count(value.type()); i <= n; ++i) zero = zero && point::get(value, i) == 0.0f;
        break;
    }
    case Type::tuple: {
        zero = true;
        for (u32 i = 0; i < tuple::count(value); ++i) zero = zero && tuple::bytes(value)[i] == 0;
        break;
    }
    default: break;
    }
    set_result(logic::cell(zero));
}

// log2 rather than a division by ln 2, which misses exact powers of two (2 ** 29 gave
// 29.000000000000004).
void log_2(const i32*) { float_result(std::log2(float_::number_of(arg(0)))); }
void log_10(const i32*) { float_result(std::log10(float_::number_of(arg(0)))); }
void log_e(const i32*) { float_result(std::log(float_::number_of(arg(0)))); }
void exp_(const i32*) { float_result(std::pow(2.718281828459045, float_::number_of(arg(0)))); }
void square_root(const i32*) { float_result(std::sqrt(float_::number_of(arg(0)))); }

}  // namespace zel::natives
