#include <gtest/gtest.h>

#include <cmath>

#include "runtime/datatypes/char.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "action_call.h"

using namespace zel;
using namespace zel::test;

namespace {

Cell f(double value) { return float_cell(value); }
Cell pct(double fraction) { return float_cell(fraction, Type::percent); }
Outcome is(const Cell& value) { return {std::nullopt, value}; }

class PercentTest : public ::testing::Test {
protected:
    void SetUp() override { ensure_datatypes(); }
    const ActionRow& row = registry().actions(Type::percent);
};

TEST_F(PercentTest, FormAndMoldShowTheValueTimes100) {
    const std::pair<double, const char*> cases[] = {
        {0.5, "50%"},
        {0.0, "0%"},
        {0.125, "12.5%"},
        {0.07, "7%"},  // 0.07 x 100 is 7.000000000000001 in doubles
        {-0.015, "-1.5%"},
        {1.0, "100%"},
        {1e-20, "0%"},
        {1e20, "1e22%"},
        {INFINITY, "1.#INF"},
        {NAN, "1.#NaN"},
    };
    for (const auto& [fraction, text] : cases) {
        EXPECT_EQ(formed(pct(fraction)), text) << fraction;
        EXPECT_EQ(molded(pct(fraction)), text) << fraction;
    }
}

TEST_F(PercentTest, ArithmeticKeepsThePercentOnTheLeft) {
    const BinaryCase cases[] = {
        {"10% * 2", &ActionRow::on_multiply, pct(0.1), integer::cell(2), is(pct(0.2))},
        {"50% + 50%", &ActionRow::on_add, pct(0.5), pct(0.5), is(pct(1.0))},
        {"50% + 0.5", &ActionRow::on_add, pct(0.5), f(0.5), is(pct(1.0))},
        {"50% / 0", &ActionRow::on_divide, pct(0.5), integer::cell(0), is(pct(INFINITY))},
        {"2 * 10%", &ActionRow::on_multiply, integer::cell(2), pct(0.1), is(f(0.2))},
        {"0.5 - 25%", &ActionRow::on_subtract, f(0.5), pct(0.25), is(f(0.25))},
        {"50% + #\"A\"", &ActionRow::on_add, pct(0.5), char_::cell('A'), fails(ErrorId::script_invalid_type)},
    };
    for (const BinaryCase& c : cases) expect_binary(c);
    EXPECT_EQ(row.on_and_, nullptr);
}

TEST_F(PercentTest, UnaryActionsKeepThePercent) {
    Cell value = pct(-0.5);
    EXPECT_TRUE(row.on_absolute(&value)->is(Type::percent));
    EXPECT_EQ(float_::get(value), 0.5);
    EXPECT_TRUE(row.on_negate(&value)->is(Type::percent));
    EXPECT_EQ(float_::get(value), -0.5);
    Cell squared = pct(0.5);
    Cell two = integer::cell(2);
    EXPECT_TRUE(row.on_power(&squared, &two)->is(Type::percent));
    EXPECT_EQ(float_::get(squared), 0.25);
    Cell bound = pct(0.5);
    EXPECT_TRUE(row.on_random(&bound, false, false, false)->is(Type::percent));
    EXPECT_LE(float_::get(bound), 0.5);
}

TEST_F(PercentTest, RoundCountsPercentUnits) {
    const RoundCase cases[] = {
        {"round 12.5%", pct(0.125), std::nullopt, round_none, is(pct(0.13))},
        {"round/even 12.5%", pct(0.125), std::nullopt, round_even, is(pct(0.12))},
        {"round 12.345%", pct(0.12345), std::nullopt, round_none, is(pct(0.12))},
        {"round/to 12.345% 1", pct(0.12345), integer::cell(1), round_none, is(pct(0.12))},
        {"round/to 12.345% 5", pct(0.12345), integer::cell(5), round_none, is(pct(0.1))},
        {"round/to 12.345% 0.1", pct(0.12345), f(0.1), round_none, is(f(0.123))},
        {"round/to 12.345% 1%", pct(0.12345), pct(0.01), round_none, is(pct(0.12))},
    };
    for (const RoundCase& c : cases) expect_round(c);
}

TEST_F(PercentTest, MakeAndTo) {
    struct Case {
        const char* name;
        Cell spec;
        Outcome expected;
    } const cases[] = {
        {"0.5", f(0.5), is(pct(0.5))},
        {"2", integer::cell(2), is(pct(2.0))},
        {"\"50%\"", string_cell("50%"), is(pct(0.5))},
        {"\"12.5%\"", string_cell("12.5%"), is(pct(0.125))},
        {"\" 7% \"", string_cell(" 7% "), is(pct(0.07))},
        {"\"1.5\"", string_cell("1.5"), is(pct(1.5))},
        {"\"3\"", string_cell("3"), is(pct(3.0))},
        {"\"%\"", string_cell("%"), fails(ErrorId::script_bad_to_arg)},
        {"\"50 %\"", string_cell("50 %"), fails(ErrorId::script_bad_to_arg)},
        {"\"abc\"", string_cell("abc"), fails(ErrorId::script_bad_to_arg)},
        {"none", none_cell, fails(ErrorId::script_bad_to_arg)},
    };
    for (const Case& c : cases) expect_make_and_to(row, Type::percent, c.spec, c.expected, c.name);
}

TEST_F(PercentTest, Compare) {
    using namespace compare_code;
    EXPECT_TRUE(compare_values(pct(0.5), f(0.5), equal));
    EXPECT_FALSE(compare_values(pct(0.5), f(0.5), strict_equal));
    EXPECT_TRUE(compare_values(pct(0.5), pct(0.5), strict_equal));
    EXPECT_TRUE(compare_values(pct(1.0), integer::cell(1), equal));
    EXPECT_TRUE(compare_values(pct(0.1), pct(0.2), lesser));
    EXPECT_FALSE(compare_values(pct(0.5), char_::cell(0), equal));
}

}  // namespace
