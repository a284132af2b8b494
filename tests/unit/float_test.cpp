#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <vector>

#include "runtime/datatypes/char.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/memory/series.h"
#include "runtime/text/float-text.h"
#include "action_call.h"

using namespace zel;
using namespace zel::test;

namespace {

Cell f(double value) { return float_cell(value); }
Cell pct(double fraction) { return float_cell(fraction, Type::percent); }
Cell time_(double seconds) { return float_cell(seconds, Type::time); }
Outcome is(const Cell& value) { return {std::nullopt, value}; }

// The double `steps` representable values away from x.
double ulps_from(double x, int steps) {
    for (; steps > 0; --steps) x = std::nextafter(x, INFINITY);
    for (; steps < 0; ++steps) x = std::nextafter(x, -INFINITY);
    return x;
}

class FloatTest : public ::testing::Test {
protected:
    void SetUp() override { ensure_datatypes(); }
    const ActionRow& row = registry().actions(Type::float_);

    // left op right through the left operand's row, as an action call makes it.
    Cell apply(sig::on_add ActionRow::*action, Cell left, Cell right) {
        return *(registry().actions(left.type()).*action)(&left, &right);
    }
    Cell sum(double a, double b) { return apply(&ActionRow::on_add, f(a), f(b)); }
};

// Sets the pretty flag for a scope.
struct PrettyFlag {
    bool saved = float_::pretty;
    explicit PrettyFlag(bool on) { float_::pretty = on; }
    ~PrettyFlag() { float_::pretty = saved; }
};

TEST_F(FloatTest, FormAndMold) {
    struct Case {
        const char* name;
        Cell value;
        const char* form;
        const char* mold;
    } const cases[] = {
        {"1.0", f(1.0), "1.0", "1.0"},
        {"0.1", f(0.1), "0.1", "0.1"},
        {"0.1 + 0.2", sum(0.1, 0.2), "0.3", "0.30000000000000004"},
        {"0.1 + 0.7", sum(0.1, 0.7), "0.8", "0.7999999999999999"},
        {"1e16", f(1e16), "1.0e16", "10000000000000000.0"},
        {"1e17", f(1e17), "1.0e17", "1.0e17"},
        {"1e20", f(1e20), "1.0e20", "1.0e20"},
        {"1e-8", f(1e-8), "1.0e-8", "1.0e-8"},
        {"1.5e-7", f(1.5e-7), "1.5e-7", "0.00000015"},
        {"123.456", f(123.456), "123.456", "123.456"},
        {"-2.5", f(-2.5), "-2.5", "-2.5"},
        {"1e-300", f(1e-300), "0.0", "1.0e-300"},
        {"2147483648.0", f(2147483648.0), "2147483648.0", "2147483648.0"},
        {"+infinity", f(INFINITY), "1.#INF", "1.#INF"},
        {"-infinity", f(-INFINITY), "-1.#INF", "-1.#INF"},
        {"NaN", f(NAN), "1.#NaN", "1.#NaN"},
        {"negative NaN", f(-NAN), "1.#NaN", "1.#NaN"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formed(c.value), c.form) << c.name;
        EXPECT_EQ(molded(c.value), c.mold) << c.name;
        EXPECT_EQ(molded(c.value, MoldFlags{true, true, true}), c.mold) << c.name;
    }
}

TEST_F(FloatTest, FormWithoutPrettyFlagKeepsEveryDigit) {
    const PrettyFlag off(false);
    EXPECT_EQ(formed(f(1e-300)), "1.0e-300");
    EXPECT_EQ(formed(sum(0.1, 0.7)), "0.7999999999999999");
    EXPECT_EQ(molded(sum(0.1, 0.7)), "0.7999999999999999");
}

TEST_F(FloatTest, FormRespectsPartLimit) {
    const Cell part = integer::cell(3);
    EXPECT_EQ(formed(f(123.456), &part), "123");
    EXPECT_EQ(molded(sum(0.1, 0.2), {}, &part), "0.3");
}

TEST_F(FloatTest, Arithmetic) {
    const BinaryCase cases[] = {
        {"1.5 + 2.25", &ActionRow::on_add, f(1.5), f(2.25), is(f(3.75))},
        {"0.1 + 0.2", &ActionRow::on_add, f(0.1), f(0.2), is(f(0.30000000000000004))},
        {"1.5 - 3", &ActionRow::on_subtract, f(1.5), integer::cell(3), is(f(-1.5))},
        {"1.5 * #\"A\"", &ActionRow::on_multiply, f(1.5), char_::cell('A'), is(f(97.5))},
        {"7.0 / 2", &ActionRow::on_divide, f(7.0), integer::cell(2), is(f(3.5))},
        {"5.5 remainder 2", &ActionRow::on_remainder, f(5.5), integer::cell(2), is(f(1.5))},
        {"-5.5 remainder 2", &ActionRow::on_remainder, f(-5.5), integer::cell(2), is(f(-1.5))},
        {"5.5 remainder infinity", &ActionRow::on_remainder, f(5.5), f(INFINITY), is(f(5.5))},
        {"1e300 * 1e300", &ActionRow::on_multiply, f(1e300), f(1e300), is(f(INFINITY))},
        // The result type: a time with a non-time is a time; otherwise the left's type.
        {"1.5 + 0:00:01", &ActionRow::on_add, f(1.5), time_(1), is(time_(2.5))},
        {"0.5 + 50%", &ActionRow::on_add, f(0.5), pct(0.5), is(f(1.0))},
        {"10% * 2", &ActionRow::on_multiply, pct(0.1), integer::cell(2), is(pct(0.2))},
        {"50% + 0:00:01", &ActionRow::on_add, pct(0.5), time_(1), is(time_(1.5))},
        // Operands the float core does not take.
        {"1.5 + none", &ActionRow::on_add, f(1.5), none_cell, fails(ErrorId::script_invalid_type)},
        {"1.5 + \"a\"", &ActionRow::on_add, f(1.5), Cell{header_of(Type::string), 0, 0, 0},
         fails(ErrorId::script_invalid_type)},
        {"1.5 - 1x2", &ActionRow::on_subtract, f(1.5), Cell{header_of(Type::pair), 0, 1, 2},
         fails(ErrorId::script_not_related)},
        {"1.5 / point", &ActionRow::on_divide, f(1.5), Cell{header_of(Type::point2d), 0, 0, 0},
         fails(ErrorId::script_not_related)},
    };
    for (const BinaryCase& c : cases) expect_binary(c);
}

TEST_F(FloatTest, BitwiseActionsAreNotFloatActions) {
    EXPECT_EQ(row.on_and_, nullptr);
    EXPECT_EQ(row.on_or_, nullptr);
    EXPECT_EQ(row.on_xor_, nullptr);
    EXPECT_EQ(row.on_complement, nullptr);
    EXPECT_EQ(error_of([] { float_::binary_op(3, 2, ArithOp::xor_); }), ErrorId::script_cannot_use);
}

TEST_F(FloatTest, DivisionByZeroGivesInfinitiesAndNaN) {
    struct Case {
        const char* name;
        sig::on_add ActionRow::*action;
        Cell left;
        Cell right;
        const char* text;
    } const cases[] = {
        {"1.0 / 0", &ActionRow::on_divide, f(1.0), integer::cell(0), "1.#INF"},
        {"-1.0 / 0", &ActionRow::on_divide, f(-1.0), integer::cell(0), "-1.#INF"},
        {"1.0 / -0.0", &ActionRow::on_divide, f(1.0), f(-0.0), "-1.#INF"},
        {"0.0 / 0", &ActionRow::on_divide, f(0.0), integer::cell(0), "1.#NaN"},
        {"1 / 0.0", &ActionRow::on_divide, integer::cell(1), f(0.0), "1.#INF"},
        {"5.5 remainder 0", &ActionRow::on_remainder, f(5.5), integer::cell(0), "1.#NaN"},
        {"infinity remainder 2", &ActionRow::on_remainder, f(INFINITY), integer::cell(2), "1.#NaN"},
        {"1.0 remainder NaN", &ActionRow::on_remainder, f(1.0), f(NAN), "1.#NaN"},
        {"infinity - infinity", &ActionRow::on_subtract, f(INFINITY), f(INFINITY), "1.#NaN"},
    };
    for (const Case& c : cases) {
        Cell result{};
        ASSERT_FALSE(error_of([&] { result = apply(c.action, c.left, c.right); })) << c.name;
        EXPECT_TRUE(result.is(Type::float_)) << c.name;
        EXPECT_EQ(molded(result), c.text) << c.name;
    }
}

TEST_F(FloatTest, Compare) {
    using namespace compare_code;
    struct Case {
        const char* name;
        Cell a;
        Cell b;
        i32 code;
        bool expected;
    } const cases[] = {
        {"0.1 + 0.2 = 0.3", sum(0.1, 0.2), f(0.3), equal, true},
        {"0.1 + 0.2 == 0.3", sum(0.1, 0.2), f(0.3), strict_equal, false},
        {"0.1 + 0.2 <> 0.3", sum(0.1, 0.2), f(0.3), not_equal, false},
        // Ten units in the last place is the tolerance, on either side of 1.0.
        {"1.0 = 1.0 + 10 ulp", f(1.0), f(ulps_from(1.0, 10)), equal, true},
        {"1.0 = 1.0 + 11 ulp", f(1.0), f(ulps_from(1.0, 11)), equal, false},
        {"1.0 = 1.0 - 10 ulp", f(1.0), f(ulps_from(1.0, -10)), equal, true},
        {"1.0 = 1.0 - 11 ulp", f(1.0), f(ulps_from(1.0, -11)), equal, false},
        {"-1.0 = -1.0 + 10 ulp", f(-1.0), f(ulps_from(-1.0, 10)), equal, true},
        {"1e300 = 1e300 + 10 ulp", f(1e300), f(ulps_from(1e300, 10)), equal, true},
        {"1e-20 = 2e-20 (within DBL_EPSILON)", f(1e-20), f(2e-20), equal, true},
        {"0.0 = -0.0", f(0.0), f(-0.0), equal, true},
        {"0.0 == -0.0", f(0.0), f(-0.0), strict_equal, true},
        {"same? 0.0 -0.0", f(0.0), f(-0.0), same, false},
        {"same? 1.5 1.5", f(1.5), f(1.5), same, true},
        {"infinity = largest double", f(INFINITY), f(DBL_MAX), equal, false},
        {"infinity = infinity", f(INFINITY), f(INFINITY), equal, true},
        // Any test with a NaN fails.
        {"NaN = NaN", f(NAN), f(NAN), equal, false},
        {"NaN == NaN", f(NAN), f(NAN), strict_equal, false},
        {"NaN < 1.0", f(NAN), f(1.0), lesser, false},
        {"NaN <= 1.0", f(NAN), f(1.0), lesser_or_equal, false},
        {"NaN > 1.0", f(NAN), f(1.0), greater, false},
        {"1.0 >= NaN", f(1.0), f(NAN), greater_or_equal, false},
        {"find NaN", f(NAN), f(NAN), find, false},
        {"find 1.0 against NaN", f(1.0), f(NAN), find, false},
        // Other number types.
        {"1.0 = 1", f(1.0), integer::cell(1), equal, true},
        {"1.0 == 1", f(1.0), integer::cell(1), strict_equal, false},
        {"2.5 > 2", f(2.5), integer::cell(2), greater, true},
        {"0.5 = 50%", f(0.5), pct(0.5), equal, true},
        {"0.5 == 50%", f(0.5), pct(0.5), strict_equal, false},
        {"60.0 = 0:01:00", f(60.0), time_(60), equal, true},
        {"1.0 = #\"^A\"", f(1.0), char_::cell(1), equal, false},
        {"1.5 < 2.5", f(1.5), f(2.5), lesser, true},
        {"-1.5 < -2.5", f(-1.5), f(-2.5), lesser, false},
    };
    for (const Case& c : cases) EXPECT_EQ(compare_values(c.a, c.b, c.code), c.expected) << c.name;

    // NaN sorts among equals; a value it cannot relate to cannot be ordered.
    const Cell nan = f(NAN), one = f(1.0), ch = char_::cell(1);
    EXPECT_EQ(row.on_compare(&nan, &one, sort), 0);
    EXPECT_EQ(error_of([&] { compare_values(one, ch, lesser); }), ErrorId::script_invalid_compare);
}

TEST_F(FloatTest, AlmostEqual32) {
    const float max = FLT_MAX;
    EXPECT_TRUE(float_::almost_equal32_q(1.0f, std::nextafter(1.0f, 2.0f)));
    EXPECT_TRUE(float_::almost_equal32_q(0.0f, -0.0f));
    EXPECT_TRUE(float_::almost_equal32_q(max, INFINITY));
    EXPECT_FALSE(float_::almost_equal32_q(-max, INFINITY));
    EXPECT_FALSE(float_::almost_equal32_q(NAN, NAN));
    EXPECT_FALSE(float_::almost_equal32_q(1.0f, 1.0001f));
    // Tiny values of opposite signs count units across zero.
    const float tiny = std::nextafter(0.0f, 1.0f);
    EXPECT_TRUE(float_::almost_equal32_q(5 * tiny, -5 * tiny));
    EXPECT_FALSE(float_::almost_equal32_q(6 * tiny, -5 * tiny));
}

TEST_F(FloatTest, Round) {
    const double tiny = std::nextafter(0.0, 1.0);
    const RoundCase cases[] = {
        {"round 2.5", f(2.5), std::nullopt, round_none, is(f(3.0))},
        {"round -2.5", f(-2.5), std::nullopt, round_none, is(f(-3.0))},
        {"round 2.4999", f(2.4999), std::nullopt, round_none, is(f(2.0))},
        {"round/even 2.5", f(2.5), std::nullopt, round_even, is(f(2.0))},
        {"round/even 3.5", f(3.5), std::nullopt, round_even, is(f(4.0))},
        {"round/even -2.5", f(-2.5), std::nullopt, round_even, is(f(-2.0))},
        {"round/half-down 2.5", f(2.5), std::nullopt, round_half_down, is(f(2.0))},
        {"round/half-down 2.6", f(2.6), std::nullopt, round_half_down, is(f(3.0))},
        {"round/half-ceiling -2.5", f(-2.5), std::nullopt, round_half_ceiling, is(f(-2.0))},
        {"round/half-ceiling 2.5", f(2.5), std::nullopt, round_half_ceiling, is(f(3.0))},
        {"round/floor -2.1", f(-2.1), std::nullopt, round_floor, is(f(-3.0))},
        {"round/ceiling -2.9", f(-2.9), std::nullopt, round_ceiling, is(f(-2.0))},
        {"round/down -2.9", f(-2.9), std::nullopt, round_down, is(f(-2.0))},
        // An integer scale gives an integer!; another scale gives its own type.
        {"round/to 123.4 10", f(123.4), integer::cell(10), round_none, is(integer::cell(120))},
        {"round/to 2.7 1", f(2.7), integer::cell(1), round_none, is(integer::cell(3))},
        {"round/to 2.7 -1", f(2.7), integer::cell(-1), round_none, is(integer::cell(3))},
        {"round/to 1.26 0.1", f(1.26), f(0.1), round_none, is(f(1.3))},
        {"round/to 1.25 0.1 /even", f(1.25), f(0.1), round_even, is(f(1.2))},
        {"round/to 0.125 1%", f(0.125), pct(0.01), round_none, is(pct(0.13))},
        {"round/to 100.4 0:00:01", f(100.4), time_(1), round_none, is(time_(100))},
        {"round/to 3e9 1", f(3e9), integer::cell(1), round_none, fails(ErrorId::math_overflow)},
        {"round/to NaN 1", f(NAN), integer::cell(1), round_none, fails(ErrorId::math_overflow)},
        // Scales that change nothing.
        {"round/to 1.5 0.0", f(1.5), f(0.0), round_none, is(f(1.5))},
        {"round/to 0.0 0.0", f(0.0), f(0.0), round_none, is(f(0.0))},
        {"round/to 1.5 0", f(1.5), integer::cell(0), round_none, is(f(1.5))},
        {"round/to 1e300 1", f(1e300), integer::cell(1), round_none, is(f(1e300))},
        {"round infinity", f(INFINITY), std::nullopt, round_none, is(f(INFINITY))},
        // A subnormal scale has no finite inverse: the value is divided by it instead.
        {"round/to 3 x smallest, 2 x smallest", f(3 * tiny), f(2 * tiny), round_none, is(f(4 * tiny))},
        {"round/to 1.5 $1", f(1.5), Cell{header_of(Type::money), 0, 0, 0}, round_none,
         fails(ErrorId::script_not_related)},
        {"round/to 1.5 none", f(1.5), none_cell, round_none, fails(ErrorId::script_expect_arg)},
    };
    for (const RoundCase& c : cases) expect_round(c);
}

TEST_F(FloatTest, MakeAndTo) {
    auto append = [](const Cell& b, const Cell& value) { *block::append_cell(b) = value; };
    const Cell pair_block{header_of(Type::block), 0, memory::alloc_cells(4), 0};
    append(pair_block, integer::cell(15));
    append(pair_block, integer::cell(-1));
    const Cell float_exponent{header_of(Type::paren), 0, memory::alloc_cells(4), 0};
    append(float_exponent, f(2.0));
    append(float_exponent, f(1.9));
    const Cell three{header_of(Type::block), 0, memory::alloc_cells(4), 0};
    for (i32 i = 1; i <= 3; ++i) append(three, integer::cell(i));
    const Cell text_element{header_of(Type::block), 0, memory::alloc_cells(4), 0};
    append(text_element, integer::cell(1));
    append(text_element, string_cell("2"));

    struct Case {
        const char* name;
        Cell spec;
        Outcome expected;
    } const cases[] = {
        {"3", integer::cell(3), is(f(3.0))},
        {"#\"A\"", char_::cell('A'), is(f(65.0))},
        {"50%", pct(0.5), is(f(0.5))},
        {"0:00:01.5", time_(1.5), is(f(1.5))},
        {"\"1.5\"", string_cell("1.5"), is(f(1.5))},
        {"\"-1'000.25e1\"", string_cell("-1'000.25e1"), is(f(-10002.5))},
        {"next \"x0.1\"", string_cell("x0.1", 1), is(f(0.1))},
        {"\"1.#INF\"", string_cell("1.#INF"), is(f(INFINITY))},
        {"\"abc\"", string_cell("abc"), fails(ErrorId::script_bad_to_arg)},
        {"\"\"", string_cell(""), fails(ErrorId::script_bad_to_arg)},
        {"\"1e\"", string_cell("1e"), fails(ErrorId::script_bad_to_arg)},
        {"\"1.5 \"", string_cell("1.5 "), fails(ErrorId::script_bad_to_arg)},
        {"\"50%\"", string_cell("50%"), fails(ErrorId::script_bad_to_arg)},
        {"\"1é\"", string_cell("1\xC3\xA9"), fails(ErrorId::script_bad_to_arg)},
        {"#{3FF0000000000000}", binary_cell(std::string("\x3F\xF0\0\0\0\0\0\0", 8)), is(f(1.0))},
        {"#{01}", binary_cell("\x01"), is(f(std::nextafter(0.0, 1.0)))},
        {"[15 -1]", pair_block, is(f(1.5))},
        {"(2.0 1.9)", float_exponent, is(f(20.0))},
        {"[1 2 3]", three, fails(ErrorId::script_bad_to_arg)},
        {"[1 \"2\"]", text_element, fails(ErrorId::script_bad_to_arg)},
        {"none", none_cell, fails(ErrorId::script_bad_to_arg)},
        {"true", true_cell, fails(ErrorId::script_bad_to_arg)},
    };
    for (const Case& c : cases) expect_make_and_to(row, Type::float_, c.spec, c.expected, c.name);
}

TEST_F(FloatTest, UnaryActions) {
    struct Case {
        const char* name;
        sig::on_negate ActionRow::*action;
        Cell value;
        Outcome expected;
    } const cases[] = {
        {"absolute -1.5", &ActionRow::on_absolute, f(-1.5), is(f(1.5))},
        {"absolute -infinity", &ActionRow::on_absolute, f(-INFINITY), is(f(INFINITY))},
        {"negate 1.5", &ActionRow::on_negate, f(1.5), is(f(-1.5))},
        {"negate 0.0", &ActionRow::on_negate, f(0.0), is(f(0.0))},
        {"negate -0.0", &ActionRow::on_negate, f(-0.0), is(f(0.0))},
    };
    for (const Case& c : cases) expect_outcome(c.expected, [&] {
        Cell value = c.value;
        return (row.*c.action)(&value);
    }, c.name);
}

TEST_F(FloatTest, Power) {
    struct Case {
        const char* name;
        Cell base;
        Cell exponent;
        Outcome expected;
    } const cases[] = {
        {"2.0 ** 10", f(2.0), integer::cell(10), is(f(1024.0))},
        {"4.0 ** 0.5", f(4.0), f(0.5), is(f(2.0))},
        {"2.0 ** -1", f(2.0), integer::cell(-1), is(f(0.5))},
        {"0.0 ** -1", f(0.0), integer::cell(-1), is(f(INFINITY))},
        {"2.0 ** 50%", f(2.0), pct(0.5), fails(ErrorId::script_expect_arg)},
        {"2.0 ** none", f(2.0), none_cell, fails(ErrorId::script_expect_arg)},
    };
    for (const Case& c : cases) expect_outcome(c.expected, [&] {
        Cell base = c.base, exponent = c.exponent;
        return row.on_power(&base, &exponent);
    }, c.name);
}

TEST_F(FloatTest, EvenAndOddByTheWholePart) {
    struct Case {
        double value;
        bool even;
    } const cases[] = {
        {2.5, true}, {3.9, false}, {-3.9, false}, {-0.5, true}, {0.0, true},
        {2147483647.0, false}, {-2147483648.0, true},
        // Beyond 32 bits the whole part keeps its parity; infinities and NaN count as even.
        {3000000001.0, false}, {1e300, true}, {INFINITY, true}, {NAN, true},
    };
    for (const Case& c : cases) {
        const Cell value = f(c.value);
        EXPECT_EQ(row.on_even_q(&value), c.even) << c.value;
        EXPECT_EQ(row.on_odd_q(&value), !c.even) << c.value;
    }
}

TEST_F(FloatTest, Random) {
    for (bool secure : {false, true}) {
        for (int i = 0; i < 200; ++i) {
            Cell value = f(1.0);
            const double drawn = float_::get(*row.on_random(&value, false, secure, false));
            EXPECT_TRUE(value.is(Type::float_));
            EXPECT_TRUE(drawn >= 0.0 && drawn <= 1.0) << drawn;
            Cell negative = f(-2.0);
            const double below = float_::get(*row.on_random(&negative, false, secure, false));
            EXPECT_TRUE(below <= 0.0 && below >= -2.0) << below;
        }
    }
    expect_seed_replays(row, f(12.5), f(1000.0));
}

}  // namespace
