#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "action_call.h"
#include "runtime/datatypes/char.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/random.h"

using namespace zel;
using namespace zel::test;

namespace {

Outcome is(i32 value) { return {std::nullopt, integer::cell(value)}; }

Cell int_(i32 v) { return integer::cell(v); }

class IntegerTest : public ::testing::Test {
protected:
    void SetUp() override { ensure_datatypes(); }
    const ActionRow& row = registry().actions(Type::integer);
};

// The rest of integer!'s arithmetic is in tests/zel/integers.zel.
TEST_F(IntegerTest, ArithmeticWithATime) {
    expect_binary({"1 + 0:00:01", &ActionRow::on_add, int_(1), float_cell(1, Type::time),
                   {std::nullopt, float_cell(2, Type::time)}});
}

TEST_F(IntegerTest, BinaryOpWithoutResultCellTruncatesDivision) {
    EXPECT_EQ(integer::binary_op(7, 2, ArithOp::divide, nullptr), 3);
    EXPECT_EQ(integer::binary_op(-7, 2, ArithOp::divide, nullptr), -3);
    // Without a cell to turn into a float!, an overflowing result is refused.
    EXPECT_EQ(error_of([] { integer::binary_op(INT32_MAX, 1, ArithOp::add, nullptr); }), ErrorId::math_overflow);
}

TEST_F(IntegerTest, RoundToAMoneyScale) {
    const Cell money{header_of(Type::money), 0, 0, 0};
    expect_round({"round/to 17 $1", int_(17), money, round_none, fails(ErrorId::script_not_related)});
}

TEST_F(IntegerTest, Compare) {
    struct Case {
        i32 value;
        Cell other;
        i32 code;
        i32 expected;
    } const cases[] = {
        {INT32_MIN, int_(INT32_MAX), compare_code::sort, -1},
        {65, char_::cell('A'), compare_code::find, 1},
        {60, float_cell(60.0, Type::time), compare_code::equal, 0},
    };
    for (const Case& c : cases) {
        const Cell value = int_(c.value);
        EXPECT_EQ(row.on_compare(&value, &c.other, c.code), c.expected) << c.value << " code " << c.code;
    }
}

TEST_F(IntegerTest, MakeAndTo) {
    struct Case {
        const char* name;
        sig::on_make ActionRow::*action;
        Cell spec;
        Outcome expected;
    } const cases[] = {
        {"to integer! 0:00:01.5", &ActionRow::on_to, float_cell(1.5, Type::time), is(2)},
        {"to integer! -0:00:01.7", &ActionRow::on_to, float_cell(-1.7, Type::time), is(-1)},
        {"to integer! a huge time", &ActionRow::on_to, float_cell(1e12, Type::time), fails(ErrorId::script_type_limit)},
        {"to integer! next #{010203}", &ActionRow::on_to, binary_cell("\x01\x02\x03", 1), is(515)},
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
