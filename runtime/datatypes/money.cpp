#include "runtime/datatypes/money.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/core/type-families.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/random.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/standard.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/lexer/lexer-decoders.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"

namespace zel::money {

using money_word::Amount;

namespace {

// A money value unpacked: the magnitude in hundred-thousandths.
struct Value {
    bool negative = false;
    u32 currency = 0;
    Amount amount = 0;
};

Value unpack(const Cell& c) { return {money_word::negative_bit(c), money_word::currency_of(c), money_word::amount_of(c)}; }

[[noreturn]] void type_limit() {
    const Cell type = datatype::of(Type::money);
    raise(ErrorId::script_type_limit, &type);
}

Cell pack(const Value& v) {
    if (v.amount >= money_word::limit) type_limit();
    return money_word::cell(v.negative, v.currency, v.amount);
}

[[noreturn]] void bad_make_arg(const Cell& spec) {
    const Cell type = datatype::of(Type::money);
    raise(ErrorId::script_bad_make_arg, &type, &spec);
}

[[noreturn]] void bad_to_arg(const Cell& spec) {
    const Cell type = datatype::of(Type::money);
    raise(ErrorId::script_bad_to_arg, &type, &spec);
}

Value from_double(double x, bool check, const Cell& spec) {
    const double magnitude = std::fabs(x);
    if (!std::isfinite(x) || (magnitude != 0 && magnitude < 1e-5) || magnitude >= 1e17) bad_make_arg(spec);
    // The shortest text that reads back as the double, in plain notation: its digits are
    // the decimal the double was written as.
    char text[400];
    const auto [end, error] = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::fixed);
    Value v{x < 0, 0, 0};
    const char* p = text;
    while (p < end && *p != '.') v.amount = v.amount * 10 + static_cast<u32>(*p++ - '0');
    u32 fraction = 0;
    if (p < end) ++p;
    for (; p < end; ++p, ++fraction) {
        if (fraction == money_word::fraction_digits) {
            if (check) bad_make_arg(spec);
            break;
        }
        v.amount = v.amount * 10 + static_cast<u32>(*p - '0');
    }
    v.amount *= money_word::power10(money_word::fraction_digits - fraction);
    return v;
}

Value from_integer(i64 n) {
    const u64 magnitude = n < 0 ? static_cast<u64>(-n) : static_cast<u64>(n);
    return {n < 0, 0, Amount{magnitude} * money_word::fraction_scale};
}

// An operand of the arithmetic core or of a round scale as money.
Value operand(const Cell& c, bool check) {
    switch (c.type()) {
    case Type::money:
        return unpack(c);
    case Type::integer:
        return from_integer(integer::get(c));
    case Type::float_:
    case Type::percent:
        return from_double(float_::get(c), check, c);
    default: {
        const Cell type = datatype::of(c.type());
        raise(ErrorId::script_invalid_type, &type);
    }
    }
}

u32 significant_digits(Amount a) {
    u32 n = 0;
    for (; a != 0; a /= 10) ++n;
    return n;
}

using Signed = __int128;

Signed signed_of(const Value& v) { return v.negative ? -static_cast<Signed>(v.amount) : static_cast<Signed>(v.amount); }

Value from_signed(Signed s, u32 currency) { return {s < 0, currency, static_cast<Amount>(s < 0 ? -s : s)}; }

// The decimal text of an amount: the integer digits, then `fraction` fraction digits
// (truncated); `grouped` separates thousands with "'".
std::string digits_text(Amount amount, u32 fraction, bool grouped) {
    std::string whole;
    Amount units = amount / money_word::fraction_scale;
    u32 count = 0;
    do {
        if (grouped && count != 0 && count % 3 == 0) whole.insert(whole.begin(), '\'');
        whole.insert(whole.begin(), static_cast<char>('0' + static_cast<u32>(units % 10)));
        units /= 10;
        ++count;
    } while (units != 0);
    if (fraction == 0) return whole;
    std::string part(money_word::fraction_digits, '0');
    u64 f = static_cast<u64>(amount % money_word::fraction_scale);
    for (u32 i = money_word::fraction_digits; i-- > 0; f /= 10) part[i] = static_cast<char>('0' + f % 10);
    return whole + '.' + part.substr(0, fraction);
}

}  // namespace

Cell from_number(const Cell& number, bool check) { return pack(operand(number, check)); }

i32 sign(const Cell& value) {
    if (money_word::amount_of(value) == 0) return 0;
    return money_word::negative_bit(value) ? -1 : 1;
}

i32 to_integer(const Cell& value) {
    const Value v = unpack(value);
    const Amount units = v.amount / money_word::fraction_scale;
    const Cell type = datatype::of(Type::integer);
    if (units > (v.negative ? Amount{2147483648u} : Amount{2147483647u})) raise(ErrorId::script_type_limit, &type);
    const i64 n = static_cast<i64>(units);
    return static_cast<i32>(v.negative ? -n : n);
}

double to_float(const Cell& value) {
    const Value v = unpack(value);
    const std::string text = digits_text(v.amount, money_word::fraction_digits, false);
    double x = 0;
    std::from_chars(text.data(), text.data() + text.size(), x);
    return v.negative ? -x : x;
}

Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2) {
    const bool money1 = value1->is(Type::money), money2 = value2->is(Type::money);
    if (op == ArithOp::multiply && money1 && money2) {
        const Cell type = datatype::of(Type::money);
        raise(ErrorId::script_invalid_type, &type);
    }
    if ((op == ArithOp::divide || op == ArithOp::remainder) && !money1) {
        const Cell type = datatype::of(value1->type());
        raise(ErrorId::script_invalid_type, &type);
    }
    if (op > ArithOp::remainder) {
        const Cell type = datatype::of(Type::money);
        raise(ErrorId::script_invalid_type, &type);
    }
    const Value a = operand(*value1, false);
    const Value b = operand(*value2, false);
    if (a.currency != 0 && b.currency != 0 && a.currency != b.currency) raise(ErrorId::script_wrong_denom, value1, value2);
    const u32 currency = b.currency != 0 ? b.currency : a.currency;
    const bool negative = a.negative != b.negative;
    Value result;
    switch (op) {
    case ArithOp::add:
        result = from_signed(signed_of(a) + signed_of(b), currency);
        break;
    case ArithOp::subtract:
        result = from_signed(signed_of(a) - signed_of(b), currency);
        break;
    case ArithOp::multiply:
        if (significant_digits(a.amount) + significant_digits(b.amount) > 28) type_limit();
        result = {negative, currency, a.amount * b.amount / money_word::fraction_scale};
        break;
    case ArithOp::divide: {
        if (b.amount == 0) raise(ErrorId::math_zero_divide);
        const Amount quotient = a.amount * money_word::fraction_scale / b.amount;
        if (money2 && money1) {
            float_::set_cell(value1, to_float(money_word::cell(negative, 0, quotient)));
            return value1;
        }
        result = {negative, currency, quotient};
        break;
    }
    default:
        if (b.amount == 0) raise(ErrorId::math_zero_divide);
        result = {a.negative, currency, a.amount % b.amount};
        break;
    }
    *value1 = pack(result);
    return value1;
}

namespace {

// Text read as a money literal.
Cell from_text(const Cell& spec) {
    std::string text;
    const u32 length = chars_from_position(spec);
    for (u32 i = 0; i < length; ++i) {
        const u32 c = char_at(spec, i);
        if (c > 0x7F) bad_to_arg(spec);
        text += static_cast<char>(c);
    }
    Cell money;
    if (!lexer::decode_money(reinterpret_cast<const u8*>(text.data()), length, money)) bad_to_arg(spec);
    return money;
}

Cell* to(Cell* prototype, const Cell* spec, Type) {
    if (in_family(spec->type(), family::any_string)) {
        *prototype = from_text(*spec);
        return prototype;
    }
    switch (spec->type()) {
    case Type::money:
        *prototype = *spec;
        return prototype;
    case Type::integer:
    case Type::float_:
        *prototype = from_number(*spec, true);
        return prototype;
    default:
        bad_to_arg(*spec);
    }
}

u32 currency_of_word(const Cell& word, const Cell& spec) {
    const u32 index = money_word::currency_index(symbol::name(word.w2));
    if (index == 0) bad_make_arg(spec);
    return index;
}

// [currency] amount [fraction]: the fraction an integer 0-99999 of hundred-thousandths.
Cell from_block(const Cell& spec) {
    Buffer* b = node::buffer(as_series(spec).node);
    const u32 length = b->cell_count();
    const u32 start = as_series(spec).index;
    const Cell* values = reinterpret_cast<const Cell*>(b->head_ptr()) + start;
    const u32 count = length > start ? length - start : 0;
    if (count < 1 || count > 3) bad_make_arg(spec);
    u32 i = 0;
    u32 currency = 0;
    if (values[0].is(Type::word)) currency = currency_of_word(values[i++], spec);
    if (i == count || (!values[i].is(Type::integer) && !values[i].is(Type::float_))) bad_make_arg(spec);
    Value v = operand(values[i], true);
    const bool float_amount = values[i++].is(Type::float_);
    if (i < count) {
        if (float_amount || !values[i].is(Type::integer)) bad_make_arg(spec);
        const i32 fraction = integer::get(values[i++]);
        if (fraction < 0 || fraction > 99999) bad_make_arg(spec);
        v = from_signed(signed_of(v) + static_cast<Signed>(fraction), 0);
    }
    if (i != count) bad_make_arg(spec);
    v.currency = currency;
    return pack(v);
}

Cell* make(Cell* prototype, const Cell* spec, Type target) {
    if (spec->is(Type::word)) {
        *prototype = money_word::cell(false, currency_of_word(*spec, *spec), 0);
        return prototype;
    }
    if (spec->is(Type::block)) {
        *prototype = from_block(*spec);
        return prototype;
    }
    return to(prototype, spec, target);
}

// The fraction digits that form and mold show: system/options/money-digits, 2 when it is
// not an integer, at most 5, none for 0 or less.
u32 shown_fraction_digits() {
    const Cell* digits = standard::system_value({standard::Field::system_options, standard::Field::options_money_digits});
    if (!digits || !digits->is(Type::integer)) return 2;
    const i32 n = as_integer(*digits).value;
    return n <= 0 ? 0 : std::min<u32>(static_cast<u32>(n), money_word::fraction_digits);
}

i32 text_out(const Cell& value, Output& out, u32 fraction, bool grouped, i32 limit) {
    const Value v = unpack(value);
    std::string text = v.negative && v.amount != 0 ? "-" : "";
    if (v.currency != 0) text += money_word::currency_code(v.currency).text;
    text += '$';
    text += digits_text(v.amount, fraction, grouped);
    return append_text(out, text, limit);
}

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    return text_out(*value, out, shown_fraction_digits(), true, limit);
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell*, i32 limit, i32) {
    return text_out(*value, out, flags.all ? money_word::fraction_digits : shown_fraction_digits(), false, limit);
}

}  // namespace

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    const bool exact_type = code == compare_code::strict_equal || code == compare_code::same || code == compare_code::find;
    if (exact_type && !value2->is(Type::money)) return 1;
    switch (value2->type()) {
    case Type::money:
        break;
    case Type::integer: {
        const Cell other = from_number(*value2, false);
        return compare(value1, &other, code);
    }
    case Type::float_:
    case Type::percent: {
        // Against a float the amounts compare as floats, so that any double relates.
        const Cell as_float = float_::cell(to_float(*value1));
        return float_::compare(&as_float, value2, code);
    }
    default:
        return not_comparable;
    }
    const Value a = unpack(*value1), b = unpack(*value2);
    const bool ordering = code >= compare_code::lesser && code <= compare_code::greater_or_equal;
    const bool sorting = code == compare_code::sort || code == compare_code::case_sort;
    if (sorting && a.currency != b.currency) {
        if (a.currency == 0 || b.currency == 0) return a.currency == 0 ? -1 : 1;
        return std::string_view(money_word::currency_code(a.currency).text) <
                       std::string_view(money_word::currency_code(b.currency).text)
                   ? -1
                   : 1;
    }
    const bool strict = code == compare_code::strict_equal || code == compare_code::same ||
                        (code == compare_code::find && b.currency != 0);
    const bool compatible = strict ? a.currency == b.currency
                                   : a.currency == 0 || b.currency == 0 || a.currency == b.currency;
    if (!compatible) {
        if (ordering) raise(ErrorId::script_wrong_denom, value1, value2);
        if (!sorting) return 1;
    }
    const Signed x = signed_of(a), y = signed_of(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

namespace {

Cell* absolute(Cell* value) {
    value->header &= ~money_word::sign_bit;
    return value;
}

Cell* negate(Cell* value) {
    if (money_word::amount_of(*value) != 0) value->header ^= money_word::sign_bit;
    return value;
}

Cell* round(Cell* value, const Cell* scale, RoundFlags flags) {
    Value v = unpack(*value);
    if (v.amount == 0) return value;
    Amount s = money_word::fraction_scale;
    if (scale) {
        if (!scale->is(Type::money) && !scale->is(Type::integer) && !scale->is(Type::float_)) {
            const Cell call = calling_word();
            const Cell type = datatype::of(scale->type());
            raise(ErrorId::script_not_related, &call, &type);
        }
        s = operand(*scale, true).amount;
    }
    if (s == 0) return value;
    const Amount r = v.amount % s;
    if (r == 0) return value;
    const Amount down = v.amount - r;
    const Amount up = down + s;
    // Twice the remainder against the scale: below, a tie, or above half way.
    const bool tie = 2 * r == s;
    Amount result = 2 * r < s ? down : up;
    if (flags.down) result = down;
    else if (flags.floor) result = v.negative ? up : down;
    else if (flags.ceiling) result = v.negative ? down : up;
    else if (tie && flags.even) result = (v.amount / s) % 2 == 0 ? down : up;
    else if (tie && flags.half_down) result = down;
    else if (tie && flags.half_ceiling) result = v.negative ? down : up;
    v.amount = result;
    *value = pack(v);
    return value;
}

bool odd_units(const Cell* value) { return (money_word::amount_of(*value) / money_word::fraction_scale) % 2 != 0; }

bool even_q(const Cell* value) { return !odd_units(value); }

bool odd_q(const Cell* value) { return odd_units(value); }

// currency (1) or amount (2).
Cell field(const Cell& value, i32 index) {
    if (index == 1) {
        const u32 currency = money_word::currency_of(value);
        if (currency == 0) return none_cell;
        return word_cell(Type::word, 0, symbol::intern(money_word::currency_code(currency).text), context::no_index);
    }
    Cell amount = value;
    money_word::set_currency_index(amount, 0);
    return amount;
}

i32 field_index(const Cell& element) {
    if (element.is(Type::integer)) return integer::get(element);
    if (!element.is(Type::word)) return 0;
    const std::string_view name = symbol::name(symbol::canonical_id(element.w2));
    if (name == "currency") return 1;
    if (name == "amount") return 2;
    return 0;
}

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step) {
    const i32 index = element->is(Type::word) ? field_index(*element) : 0;
    if (index == 0) raise(ErrorId::script_invalid_path, step.path ? step.path : &none_cell, element);
    if (value_to_set) raise(ErrorId::script_bad_path_set, element, value_to_set);
    *parent = field(*parent, index);
    return parent;
}

Cell* pick(Cell* value, const Cell* index) {
    const i32 n = field_index(*index);
    if (n < 1 || n > 2) raise(ErrorId::script_out_of_range, index);
    *value = field(*value, n);
    return value;
}

// Each significant digit drawn at most its own value, then every later digit freely once
// one came out lower: a value from zero up to the amount.
Cell* random(Cell* value, bool seed, bool, bool) {
    if (seed) {
        random::seed(value->w1 ^ value->w2 ^ value->w3 ^ (value->header & money_word::sign_bit));
        *value = unset_cell;
        return value;
    }
    Value v = unpack(*value);
    const u32 digits = significant_digits(v.amount);
    Amount drawn = 0;
    bool lower = false;
    for (u32 i = digits; i-- > 0;) {
        const u32 d = static_cast<u32>(v.amount / money_word::power10(i) % 10);
        u32 g = 0;
        if (lower) {
            g = random::next() % 10;
        } else {
            for (;;) {
                g = random::next() % (d + 1);
                if (g != d || random::next() % 1000 == random::next() % 1000) break;
            }
            lower = g < d;
        }
        drawn = drawn * 10 + g;
    }
    v.amount = drawn;
    *value = pack(v);
    return value;
}

}  // namespace
}  // namespace zel::money

namespace zel {

constinit const ActionRecord money_actions = [] {
    using namespace money;
    ActionRecord r;
    r.on_make = money::make;
    r.on_random = money::random;
    r.on_to = money::to;
    r.on_form = money::form;
    r.on_mold = money::mold;
    r.on_eval_path = money::eval_path;
    r.on_compare = money::compare;
    r.on_absolute = money::absolute;
    r.on_negate = money::negate;
    r.on_add = arithmetic_action<money::arithmetic, ArithOp::add>;
    r.on_subtract = arithmetic_action<money::arithmetic, ArithOp::subtract>;
    r.on_multiply = arithmetic_action<money::arithmetic, ArithOp::multiply>;
    r.on_divide = arithmetic_action<money::arithmetic, ArithOp::divide>;
    r.on_remainder = arithmetic_action<money::arithmetic, ArithOp::remainder>;
    r.on_round = money::round;
    r.on_even_q = money::even_q;
    r.on_odd_q = money::odd_q;
    r.on_pick = money::pick;
    return r;
}();

}  // namespace zel
