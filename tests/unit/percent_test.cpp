#include <gtest/gtest.h>

#include <cmath>

#include "action_call.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"

using namespace zel;
using namespace zel::test;

namespace {

Cell pct(double fraction) { return float_cell(fraction, Type::percent); }

class PercentTest : public ::testing::Test {
protected:
    void SetUp() override { ensure_datatypes(); }
    const ActionRow& row = registry().actions(Type::percent);
};

TEST_F(PercentTest, FormAndMoldShowTheValueTimes100) {
    const std::pair<double, const char*> cases[] = {
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

}  // namespace
