#include "runtime/datatypes/integer.h"

#include <climits>
#include <utility>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/date.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/money.h"
#include "runtime/datatypes/number-first.h"
#include "runtime/datatypes/random.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/vector.h"
#include "runtime/lexer/lexer-decoders.h"
#include "runtime/memory/fatal.h"
#include "runtime/names/symbol.h"
#include "runtime/text/string-units.h"
#include "runtime/text/utf8.h"

namespace zel::integer {

DecimalText to_decimal_text(i32 value) {
    DecimalText text{};
    int at = sizeof text.digits - 1;
    text.digits[at] = '\0';
    u32 magnitude = value < 0 ? 0u - static_cast<u32>(value) : static_cast<u32>(value);
    do {
        text.digits[--at] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) text.digits[--at] = '-';
    text.start = static_cast<u8>(at);
    return text;
}

std::optional<i32> truncate(double value) {
    // A fraction beyond either end is out of range too; a NaN fails both comparisons.
    if (!(value >= -2147483648.0 && value <= 2147483647.0)) return std::nullopt;
    return static_cast<i32>(value);
}

i32 truncate_or_raise(double value, ErrorId error, const Cell* arg1, const Cell* arg2) {
    const std::optional<i32> result = truncate(value);
    if (!result) raise(error, arg1, arg2);
    return *result;
}

i32 from_number_arg(const Cell& number) {
    if (number.is(Type::integer)) return get(number);
    return truncate_or_raise(float_payload(number), ErrorId::script_out_of_range, &number);
}

i32 abs(i32 value) {
    if (value == INT32_MIN) raise(ErrorId::math_overflow);
    return value < 0 ? -value : value;
}

void promote_to_float(Cell* result, double exact) {
    if (!result) raise(ErrorId::math_overflow);
    float_::set_cell(result, exact);
}

Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2) {
    switch (value2->type()) {
    case Type::integer:
    case Type::char_:
        binary_op(get(*value1), get(*value2), op, value1);
        return value1;
    case Type::float_:
    case Type::percent:
    case Type::time:
        return float_::arithmetic(op, value1, value2);
    case Type::money:
        return money::arithmetic(op, value1, value2);
    case Type::date: {
        // Days added to a date: the date's own arithmetic, with the operands swapped.
        if (op != ArithOp::add) {
            const Cell type = datatype::of(Type::date);
            raise(ErrorId::script_invalid_type, &type);
        }
        std::swap(*value1, *value2);
        return date::arithmetic(op, value1, value2);
    }
    case Type::tuple:
    case Type::pair:
    case Type::point2d:
    case Type::point3d:
        return number_first::arithmetic(op, value1, value2, true);
    case Type::vector:
        return vector::scalar_first(op, value1, value2);
    default: {
        const Cell type = datatype::of(value2->type());
        raise(ErrorId::script_invalid_type, &type);
    }
    }
}

namespace {

// The issue's name as hexadecimal digits, at most 8, most significant first: #FF is 255,
// #FFFFFFFF is -1. Each character counts by its code modulo 128.
i32 from_issue(const Cell& issue) {
    const std::string_view name = symbol::name(issue.w2);
    u32 bits = 0;
    u32 digits = 0;
    for (std::size_t i = 0; i < name.size();) {
        const u8 lead = static_cast<u8>(name[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        u32 code = lead;
        if (length > 1) {
            std::size_t available = name.size() - i;
            code = static_cast<u32>(unicode::decode_utf8_char(reinterpret_cast<const u8*>(name.data()) + i, available));
        }
        i += length;
        const u32 c = code % 128;
        u32 digit = 255;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        if (digit == 255 || ++digits > 8) raise(ErrorId::script_invalid_data, &issue);
        bits = bits << 4 | digit;
    }
    return static_cast<i32>(bits);
}

[[noreturn]] void bad_to_arg(const Cell* spec) {
    const Cell type = datatype::of(Type::integer);
    raise(ErrorId::script_bad_to_arg, &type, spec);
}

}  // namespace

Cell* make(Cell* prototype, const Cell* spec, Type target) {
    if (spec->is(Type::logic)) {
        *prototype = cell(spec->w1 != 0);
        return prototype;
    }
    return to(prototype, spec, target);
}

Cell* to(Cell* prototype, const Cell* spec, Type) {
    const Cell integer_type = datatype::of(Type::integer);
    i32 value = 0;
    switch (spec->type()) {
    case Type::integer:
        *prototype = *spec;
        return prototype;
    case Type::char_:
        value = get(*spec);
        break;
    case Type::float_:
    case Type::percent:
        value = truncate_or_raise(float_payload(*spec), ErrorId::script_type_limit, &integer_type);
        break;
    case Type::time:
        // Times round half up to whole seconds.
        value = truncate_or_raise(float_payload(*spec) + 0.5, ErrorId::script_type_limit, &integer_type);
        break;
    case Type::binary: {
        // The first four bytes at most, the last of them least significant.
        const unicode::Units bytes = unicode::units_of(*spec, 4);
        u32 bits = 0;
        for (u32 i = 0; i < bytes.count; ++i) bits = bits << 8 | bytes.start[i];
        value = static_cast<i32>(bits);
        break;
    }
    case Type::issue:
        value = from_issue(*spec);
        break;
    case Type::string:
    case Type::file:
    case Type::url:
    case Type::tag:
    case Type::email:
    case Type::ref: {
        const unicode::Units text = unicode::units_of(*spec, -1);
        i32 error = lexer::decode_bad_text;
        if (text.count > 0) value = lexer::decode_integer(text.start, text.count, text.unit, error);
        if (error) bad_to_arg(spec);
        break;
    }
    case Type::money:
        value = money::to_integer(*spec);
        break;
    case Type::date: {
        const i64 seconds = date::to_unix_seconds(*spec);
        if (seconds < INT32_MIN || seconds > INT32_MAX) raise(ErrorId::script_type_limit, &integer_type);
        value = static_cast<i32>(seconds);
        break;
    }
    default:
        bad_to_arg(spec);
    }
    *prototype = cell(value);
    return prototype;
}

Cell* random(Cell* value, bool seed, bool secure, bool) {
    if (seed) {
        random::seed(value->w2);
        *value = unset_cell;
        return value;
    }
    value->w2 = static_cast<u32>(random::int_up_to(secure, get(*value)));
    return value;
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    const DecimalText text = to_decimal_text(get(*value));
    out.append_ascii(text.view());
    return limit - static_cast<i32>(text.view().size());
}

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return form(value, out, part, limit);
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    // A value of another type is never strictly equal, nor the same value.
    if ((code == compare_code::strict_equal || code == compare_code::same || code == compare_code::find) &&
        !value2->is(Type::integer)) {
        return 1;
    }
    switch (value2->type()) {
    case Type::integer:
    case Type::char_:
        return get(*value1) < get(*value2) ? -1 : get(*value1) > get(*value2) ? 1 : 0;
    case Type::float_:
    case Type::percent:
    case Type::time: {
        const Cell as_float = float_::cell(get(*value1));
        return float_::compare(&as_float, value2, code);
    }
    case Type::money: {
        const Cell as_money = money::from_number(*value1, false);
        return money::compare(&as_money, value2, code);
    }
    default:
        return not_comparable;
    }
}

Cell* absolute(Cell* value) {
    value->w2 = static_cast<u32>(abs(get(*value)));
    return value;
}

Cell* negate(Cell* value) {
    if (get(*value) == INT32_MIN) raise(ErrorId::math_overflow);
    value->w2 = static_cast<u32>(-get(*value));
    return value;
}

Cell* complement(Cell* value) {
    value->w2 = ~value->w2;
    return value;
}

bool even_q(const Cell* value) { return (value->w2 & 1) == 0; }

bool odd_q(const Cell* value) { return (value->w2 & 1) != 0; }

namespace {

// base ** exponent for exponent >= 0 by squaring, or nothing once a step overflows.
std::optional<i32> int_power(i32 base, i32 exponent) {
    i32 result = 1;
    while (exponent != 0) {
        if ((exponent & 1) && __builtin_mul_overflow(result, base, &result)) return std::nullopt;
        exponent >>= 1;
        if (exponent > 0 && __builtin_mul_overflow(base, base, &base)) return std::nullopt;
    }
    return result;
}

}  // namespace

Cell* power(Cell* number, Cell* exponent) {
    if (exponent->is(Type::integer) && get(*exponent) >= 0) {
        if (const std::optional<i32> result = int_power(get(*number), get(*exponent))) {
            number->w2 = static_cast<u32>(*result);
            return number;
        }
    }
    // Negative and float exponents, and powers beyond 32 bits, are float powers of the
    // unchanged base.
    float_::set_cell(number, static_cast<double>(get(*number)));
    return float_::power(number, exponent);
}

Cell* round(Cell* value, const Cell* scale, RoundFlags flags) {
    if (scale && scale->is(Type::money)) {
        const Cell call = calling_word();
        const Cell type = datatype::of(Type::money);
        raise(ErrorId::script_not_related, &call, &type);
    }
    if (scale && !scale->is(Type::integer)) {
        // A float, percent or time scale gives a result of its own type, rounded as a float.
        float_::set_cell(value, static_cast<double>(get(*value)));
        return float_::round(value, scale, flags);
    }
    // Magnitudes are kept in 64 bits: |-2147483648| and the magnitude rounded away from
    // zero may not fit 32.
    const i64 n = get(*value);
    const i64 s = scale ? abs(get(*scale)) : 1;
    if (s == 0) return value;
    const i64 a = n < 0 ? -n : n;
    const i64 r = a % s;
    if (r == 0) return value;
    const i64 d = s - r;
    const i64 u = a + d;
    const bool positive = n > 0;
    auto overflow_test = [u] {
        if (u > INT32_MAX) raise(ErrorId::math_overflow);
    };
    auto with_sign = [positive](i64 magnitude) { return positive ? magnitude : -magnitude; };
    const i64 toward_zero = with_sign(a - r);
    const i64 away_from_zero = with_sign(u);

    i64 result = 0;
    if (flags.down) {
        result = toward_zero;
    } else if (flags.floor) {
        overflow_test();
        result = positive ? toward_zero : away_from_zero;
    } else if (flags.ceiling) {
        overflow_test();
        result = positive ? away_from_zero : toward_zero;
    } else if (r < d) {
        result = toward_zero;
    } else if (r > d) {
        overflow_test();
        result = away_from_zero;
    } else if (flags.even) {
        if ((a / s) % 2 == 0) {
            result = toward_zero;
        } else {
            overflow_test();
            result = away_from_zero;
        }
    } else if (flags.half_down) {
        result = toward_zero;
    } else if (flags.half_ceiling) {
        overflow_test();
        result = positive ? away_from_zero : toward_zero;
    } else {
        overflow_test();
        result = away_from_zero;
    }
    value->w2 = static_cast<u32>(static_cast<i32>(result));
    return value;
}

}  // namespace zel::integer

namespace zel {

constinit const ActionRecord integer_actions = [] {
    using namespace integer;
    ActionRecord r;
    r.on_make = make;
    r.on_random = integer::random;
    r.on_to = to;
    r.on_form = form;
    r.on_mold = mold;
    r.on_compare = compare;
    r.on_absolute = absolute;
    set_arithmetic<arithmetic>(r);
    r.on_negate = negate;
    r.on_power = power;
    r.on_round = round;
    r.on_even_q = even_q;
    r.on_odd_q = odd_q;
    r.on_complement = complement;
    return r;
}();

}  // namespace zel
