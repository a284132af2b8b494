#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "runtime/datatypes/char.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/eval/random.h"
#include "action_call.h"

using namespace zel;
using namespace zel::test;

namespace {

Outcome is(i32 value) { return {std::nullopt, integer::cell(value)}; }
Outcome is_float(double value) { return {std::nullopt, float_cell(value)}; }

Cell int_(i32 v) { return integer::cell(v); }

class IntegerTest : public ::testing::Test {
protected:
    void SetUp() override { ensure_datatypes(); }
    const ActionRow& row = registry().actions(Type::integer);
};

TEST_F(IntegerTest, ArithmeticThroughTheTable) {
    const BinaryCase cases[] = {
        {"1 + 2", &ActionRow::on_add, int_(1), int_(2), is(3)},
        {"3 + #\"A\"", &ActionRow::on_add, int_(3), char_::cell('A'), is(68)},
        {"-5 - 7", &ActionRow::on_subtract, int_(-5), int_(7), is(-12)},
        {"-46340 * 46340", &ActionRow::on_multiply, int_(-46340), int_(46340), is(-2147395600)},
        {"8 / 2", &ActionRow::on_divide, int_(8), int_(2), is(4)},
        {"-9 / 3", &ActionRow::on_divide, int_(-9), int_(3), is(-3)},
        {"-7 remainder 2", &ActionRow::on_remainder, int_(-7), int_(2), is(-1)},
        {"7 remainder -2", &ActionRow::on_remainder, int_(7), int_(-2), is(1)},
        {"12 and 10", &ActionRow::on_and_, int_(12), int_(10), is(8)},
        {"12 or 3", &ActionRow::on_or_, int_(12), int_(3), is(15)},
        {"12 xor 10", &ActionRow::on_xor_, int_(12), int_(10), is(6)},
        // Results that leave the integer range.
        {"-2147483648 / -1", &ActionRow::on_divide, int_(INT32_MIN), int_(-1), fails(ErrorId::math_overflow)},
        {"-2147483648 remainder -1", &ActionRow::on_remainder, int_(INT32_MIN), int_(-1),
         fails(ErrorId::math_overflow)},
        {"1 / 0", &ActionRow::on_divide, int_(1), int_(0), fails(ErrorId::math_zero_divide)},
        {"1 remainder 0", &ActionRow::on_remainder, int_(1), int_(0), fails(ErrorId::math_zero_divide)},
        // Exact results that only a float! holds.
        {"2147483647 + 1", &ActionRow::on_add, int_(INT32_MAX), int_(1), is_float(2147483648.0)},
        {"-2147483648 - 1", &ActionRow::on_subtract, int_(INT32_MIN), int_(1), is_float(-2147483649.0)},
        {"65536 * 65536", &ActionRow::on_multiply, int_(65536), int_(65536), is_float(4294967296.0)},
        {"-2147483648 * -1", &ActionRow::on_multiply, int_(INT32_MIN), int_(-1), is_float(2147483648.0)},
        {"7 / 2", &ActionRow::on_divide, int_(7), int_(2), is_float(3.5)},
        {"-7 / 2", &ActionRow::on_divide, int_(-7), int_(2), is_float(-3.5)},
        {"1 / 3", &ActionRow::on_divide, int_(1), int_(3), is_float(1.0 / 3.0)},
        // Operands of other types.
        {"1 + none", &ActionRow::on_add, int_(1), Cell{header_of(Type::none), 0, 0, 0},
         fails(ErrorId::script_invalid_type)},
        // A float on the right: the float core computes, the integer taken as a double.
        {"1 + 1.5", &ActionRow::on_add, int_(1), float_cell(1.5), is_float(2.5)},
        {"2147483647 + 1.0", &ActionRow::on_add, int_(INT32_MAX), float_cell(1.0), is_float(2147483648.0)},
        {"7 remainder 2.5", &ActionRow::on_remainder, int_(7), float_cell(2.5), is_float(2.0)},
        {"1 / 0.0", &ActionRow::on_divide, int_(1), float_cell(0.0), is_float(INFINITY)},
        {"2 * 10%", &ActionRow::on_multiply, int_(2), float_cell(0.1, Type::percent), is_float(0.2)},
        {"1 + 0:00:01", &ActionRow::on_add, int_(1), float_cell(1, Type::time),
         {std::nullopt, float_cell(2, Type::time)}},
        {"3 and 2.0", &ActionRow::on_and_, int_(3), float_cell(2.0), fails(ErrorId::script_cannot_use)},
    };
    for (const BinaryCase& c : cases) expect_binary(c);
}

TEST_F(IntegerTest, BinaryOpWithoutResultCellTruncatesDivision) {
    EXPECT_EQ(integer::binary_op(7, 2, ArithOp::divide, nullptr), 3);
    EXPECT_EQ(integer::binary_op(-7, 2, ArithOp::divide, nullptr), -3);
    // Without a cell to turn into a float!, an overflowing result is refused.
    EXPECT_EQ(error_of([] { integer::binary_op(INT32_MAX, 1, ArithOp::add, nullptr); }), ErrorId::math_overflow);
}

TEST_F(IntegerTest, UnaryActions) {
    struct Case {
        const char* name;
        sig::on_negate ActionRow::*action;
        i32 value;
        Outcome expected;
    } const cases[] = {
        {"negate 5", &ActionRow::on_negate, 5, is(-5)},
        {"negate -2147483647", &ActionRow::on_negate, -INT32_MAX, is(INT32_MAX)},
        {"negate -2147483648", &ActionRow::on_negate, INT32_MIN, fails(ErrorId::math_overflow)},
        {"absolute -3", &ActionRow::on_absolute, -3, is(3)},
        {"absolute -2147483648", &ActionRow::on_absolute, INT32_MIN, fails(ErrorId::math_overflow)},
        {"complement 0", &ActionRow::on_complement, 0, is(-1)},
        {"complement -1", &ActionRow::on_complement, -1, is(0)},
        {"complement 5", &ActionRow::on_complement, 5, is(-6)},
    };
    for (const Case& c : cases) {
        expect_outcome(
            c.expected,
            [&] {
                Cell value = int_(c.value);
                return (row.*c.action)(&value);
            },
            c.name);
    }
}

TEST_F(IntegerTest, EvenAndOdd) {
    for (i32 v : {-4, 0, 2, INT32_MIN}) {
        const Cell value = int_(v);
        EXPECT_TRUE(row.on_even_q(&value)) << v;
        EXPECT_FALSE(row.on_odd_q(&value)) << v;
    }
    for (i32 v : {-3, 1, INT32_MAX}) {
        const Cell value = int_(v);
        EXPECT_TRUE(row.on_odd_q(&value)) << v;
    }
}

TEST_F(IntegerTest, Power) {
    struct Case {
        const char* name;
        i32 base;
        Cell exponent;
        Outcome expected;
    } const cases[] = {
        {"2 ** 10", 2, int_(10), is(1024)},
        {"2 ** 30", 2, int_(30), is(1073741824)},
        {"-2 ** 31", -2, int_(31), is(INT32_MIN)},
        {"-3 ** 3", -3, int_(3), is(-27)},
        {"0 ** 0", 0, int_(0), is(1)},
        {"46340 ** 2", 46340, int_(2), is(2147395600)},
        {"2 ** 31", 2, int_(31), is_float(2147483648.0)},
        {"46341 ** 2", 46341, int_(2), is_float(2147488281.0)},
        {"2 ** -1", 2, int_(-1), is_float(0.5)},
        {"4 ** 0.5", 4, float_cell(0.5), is_float(2.0)},
        {"2 ** 50%", 2, float_cell(0.5, Type::percent), fails(ErrorId::script_expect_arg)},
        {"2 ** none", 2, Cell{header_of(Type::none), 0, 0, 0}, fails(ErrorId::script_expect_arg)},
    };
    for (const Case& c : cases) {
        expect_outcome(
            c.expected,
            [&] {
                Cell base = int_(c.base);
                Cell exponent = c.exponent;
                return row.on_power(&base, &exponent);
            },
            c.name);
    }
}

TEST_F(IntegerTest, Round) {
    const Cell money{header_of(Type::money), 0, 0, 0};
    const RoundCase cases[] = {
        {"round 17", int_(17), std::nullopt, round_none, is(17)},
        {"round/to 25 10", int_(25), int_(10), round_none, is(30)},
        {"round/to -25 10", int_(-25), int_(10), round_none, is(-30)},
        {"round/to 21 10", int_(21), int_(10), round_none, is(20)},
        {"round/to -26 10", int_(-26), int_(10), round_none, is(-30)},
        {"round/to 25 -10", int_(25), int_(-10), round_none, is(30)},
        {"round/to 17 0", int_(17), int_(0), round_none, is(17)},
        {"round/even/to 25 10", int_(25), int_(10), round_even, is(20)},
        {"round/even/to 35 10", int_(35), int_(10), round_even, is(40)},
        {"round/half-down/to 25 10", int_(25), int_(10), round_half_down, is(20)},
        {"round/half-down/to 26 10", int_(26), int_(10), round_half_down, is(30)},
        {"round/half-ceiling/to 25 10", int_(25), int_(10), round_half_ceiling, is(30)},
        {"round/half-ceiling/to -25 10", int_(-25), int_(10), round_half_ceiling, is(-20)},
        {"round/down/to 29 10", int_(29), int_(10), round_down, is(20)},
        {"round/down/to -29 10", int_(-29), int_(10), round_down, is(-20)},
        {"round/floor/to -21 10", int_(-21), int_(10), round_floor, is(-30)},
        {"round/floor/to 29 10", int_(29), int_(10), round_floor, is(20)},
        {"round/ceiling/to -29 10", int_(-29), int_(10), round_ceiling, is(-20)},
        {"round/ceiling/to 21 10", int_(21), int_(10), round_ceiling, is(30)},
        {"round -2147483648", int_(INT32_MIN), std::nullopt, round_none, is(INT32_MIN)},
        {"round/down/to -2147483648 10", int_(INT32_MIN), int_(10), round_down, is(-2147483640)},
        {"round/to -2147483648 2", int_(INT32_MIN), int_(2), round_none, is(INT32_MIN)},
        // The rounded magnitude leaves the range.
        {"round/to -2147483648 10", int_(INT32_MIN), int_(10), round_none, fails(ErrorId::math_overflow)},
        {"round/to 2147483647 10", int_(INT32_MAX), int_(10), round_none, fails(ErrorId::math_overflow)},
        {"round/floor/to 2147483647 10", int_(INT32_MAX), int_(10), round_floor, fails(ErrorId::math_overflow)},
        {"round/to 5 -2147483648", int_(5), int_(INT32_MIN), round_none, fails(ErrorId::math_overflow)},
        {"round/to 17 $1", int_(17), money, round_none, fails(ErrorId::script_not_related)},
        // Other scales round as floats and give a value of the scale's type.
        {"round/to 17 2.5", int_(17), float_cell(2.5), round_none, is_float(17.5)},
        {"round/to 17 0.0", int_(17), float_cell(0.0), round_none, is_float(17.0)},
        {"round/to 17 10%", int_(17), float_cell(0.1, Type::percent), round_none,
         {std::nullopt, float_cell(17.0, Type::percent)}},
        {"round/to 17 \"a\"", int_(17), Cell{header_of(Type::string), 0, 0, 0}, round_none,
         fails(ErrorId::script_expect_arg)},
    };
    for (const RoundCase& c : cases) expect_round(c);
}

TEST_F(IntegerTest, Compare) {
    const Cell text{header_of(Type::string), 0, 0, 0};
    struct Case {
        i32 value;
        Cell other;
        i32 code;
        i32 expected;
    } const cases[] = {
        {1, int_(1), compare_code::equal, 0},
        {1, int_(2), compare_code::lesser, -1},
        {2, int_(1), compare_code::greater, 1},
        {INT32_MIN, int_(INT32_MAX), compare_code::sort, -1},
        {65, char_::cell('A'), compare_code::equal, 0},
        {65, char_::cell('A'), compare_code::strict_equal, 1},
        {65, char_::cell('A'), compare_code::find, 1},
        {66, char_::cell('A'), compare_code::greater, 1},
        {1, text, compare_code::equal, not_comparable},
        {1, text, compare_code::strict_equal, 1},
        // Floats, percents and times compare by the float comparison.
        {1, float_cell(1.0), compare_code::equal, 0},
        {1, float_cell(1.0 + 1e-16), compare_code::equal, 0},
        {1, float_cell(1.0), compare_code::strict_equal, 1},
        {1, float_cell(1.0), compare_code::same, 1},
        {2, float_cell(2.5), compare_code::lesser, -1},
        {3, float_cell(2.5), compare_code::greater, 1},
        {1, float_cell(1.0, Type::percent), compare_code::equal, 0},
        {60, float_cell(60.0, Type::time), compare_code::equal, 0},
        {1, float_cell(NAN), compare_code::lesser, 1},
    };
    for (const Case& c : cases) {
        const Cell value = int_(c.value);
        EXPECT_EQ(row.on_compare(&value, &c.other, c.code), c.expected) << c.value << " code " << c.code;
    }
}

TEST_F(IntegerTest, MakeAndTo) {
    const Cell true_ = Cell{header_of(Type::logic), 1, 0, 0};
    const Cell none = Cell{header_of(Type::none), 0, 0, 0};
    struct Case {
        const char* name;
        sig::on_make ActionRow::*action;
        Cell spec;
        Outcome expected;
    } const cases[] = {
        {"make integer! true", &ActionRow::on_make, true_, is(1)},
        {"make integer! false", &ActionRow::on_make, Cell{header_of(Type::logic), 0, 0, 0}, is(0)},
        {"to integer! true", &ActionRow::on_to, true_, fails(ErrorId::script_bad_to_arg)},
        {"to integer! none", &ActionRow::on_to, none, fails(ErrorId::script_bad_to_arg)},
        {"to integer! #\"A\"", &ActionRow::on_to, char_::cell('A'), is(65)},
        {"to integer! -1.9", &ActionRow::on_to, float_cell(-1.9), is(-1)},
        {"to integer! 2147483647.0", &ActionRow::on_to, float_cell(2147483647.0), is(INT32_MAX)},
        {"to integer! -2147483648.0", &ActionRow::on_to, float_cell(-2147483648.0), is(INT32_MIN)},
        {"to integer! 2147483647.5", &ActionRow::on_to, float_cell(2147483647.5), fails(ErrorId::script_type_limit)},
        {"to integer! -2147483648.5", &ActionRow::on_to, float_cell(-2147483648.5), fails(ErrorId::script_type_limit)},
        {"to integer! NaN", &ActionRow::on_to, float_cell(std::nan("")), fails(ErrorId::script_type_limit)},
        {"to integer! 1e300", &ActionRow::on_to, float_cell(1e300), fails(ErrorId::script_type_limit)},
        {"to integer! 50%", &ActionRow::on_to, float_cell(0.5, Type::percent), is(0)},
        {"to integer! 0:00:01.5", &ActionRow::on_to, float_cell(1.5, Type::time), is(2)},
        {"to integer! -0:00:01.7", &ActionRow::on_to, float_cell(-1.7, Type::time), is(-1)},
        {"to integer! a huge time", &ActionRow::on_to, float_cell(1e12, Type::time), fails(ErrorId::script_type_limit)},
        {"to integer! #{0102}", &ActionRow::on_to, binary_cell("\x01\x02"), is(258)},
        {"to integer! #{0102030405}", &ActionRow::on_to, binary_cell("\x01\x02\x03\x04\x05"), is(16909060)},
        {"to integer! next #{010203}", &ActionRow::on_to, binary_cell("\x01\x02\x03", 1), is(515)},
        {"to integer! #{FFFFFFFF}", &ActionRow::on_to, binary_cell("\xFF\xFF\xFF\xFF"), is(-1)},
        {"to integer! #{}", &ActionRow::on_to, binary_cell(""), is(0)},
    };
    for (const Case& c : cases) {
        expect_outcome(
            c.expected,
            [&] {
                Cell prototype = int_(0);
                return (row.*c.action)(&prototype, &c.spec, Type::integer);
            },
            c.name);
    }
}

TEST_F(IntegerTest, FromNumberArg) {
    EXPECT_EQ(integer::from_number_arg(int_(-7)), -7);
    EXPECT_EQ(integer::from_number_arg(float_cell(-7.9)), -7);
    EXPECT_EQ(integer::from_number_arg(float_cell(2147483647.0)), INT32_MAX);
    for (double out_of_range : {2147483648.0, -2147483649.0, std::nan(""), 1e300}) {
        EXPECT_EQ(error_of([&] { integer::from_number_arg(float_cell(out_of_range)); }), ErrorId::script_out_of_range)
            << out_of_range;
    }
}

TEST_F(IntegerTest, DecimalTextAndMold) {
    const std::pair<i32, const char*> cases[] = {
        {0, "0"}, {-5, "-5"}, {42, "42"}, {INT32_MIN, "-2147483648"}, {INT32_MAX, "2147483647"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(integer::to_decimal_text(value).view(), text);
        EXPECT_EQ(molded(int_(value)), text);
        EXPECT_EQ(molded(int_(value), MoldFlags{false, true, false}), text);
        EXPECT_EQ(formed(int_(value)), text);
    }
}

TEST_F(IntegerTest, Random) {
    Cell zero = int_(0);
    EXPECT_EQ(integer::get(*row.on_random(&zero, false, false, false)), 0);
    for (int i = 0; i < 200; ++i) {
        Cell negative = int_(-3);
        const i32 drawn = integer::get(*row.on_random(&negative, false, false, false));
        EXPECT_TRUE(drawn >= -3 && drawn <= -1) << drawn;
        Cell positive = int_(6);
        const i32 secure = integer::get(*row.on_random(&positive, false, true, false));
        EXPECT_TRUE(secure >= 1 && secure <= 6) << secure;
    }
    expect_seed_replays(row, int_(5), int_(1000));
}

}  // namespace
