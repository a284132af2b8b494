#include <gtest/gtest.h>

#include <cmath>

#include "action_call.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"

using namespace zel;
using namespace zel::test;

namespace {

const MoldFlags all{false, true, false};

class SmallTypesTest : public ::testing::Test {
protected:
    void SetUp() override { ensure_datatypes(); }
    const ActionRow& unset_row = registry().actions(Type::unset);
    const ActionRow& none_row = registry().actions(Type::none);
    const ActionRow& logic_row = registry().actions(Type::logic);
};

TEST_F(SmallTypesTest, FormAndMold) {
    struct Case { Cell value; const char* form; const char* mold; const char* mold_all; } const cases[] = {
        {unset_cell, "", "unset", "#(unset)"},
        {none_cell, "none", "none", "#(none)"},
        {logic::cell(true), "true", "true", "#(true)"},
        {logic::cell(false), "false", "false", "#(false)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formed(c.value), c.form);
        EXPECT_EQ(molded(c.value), c.mold);
        EXPECT_EQ(molded(c.value, all), c.mold_all);
        // The limit goes down by exactly the characters written.
        Output out;
        const i32 left = registry().actions(c.value.type()).on_mold(&c.value, out, all, nullptr, 100, 0);
        EXPECT_EQ(left, 100 - static_cast<i32>(out.length())) << c.mold_all;
    }
}

TEST_F(SmallTypesTest, MakeAndToOfUnsetAndNoneIgnoreTheSpec) {
    const Cell spec = integer::cell(5);
    for (auto [row, type] : {std::pair{&unset_row, Type::unset}, std::pair{&none_row, Type::none}}) {
        Cell prototype = integer::cell(0);
        EXPECT_TRUE(row->on_make(&prototype, &spec, type)->is(type));
        prototype = integer::cell(0);
        EXPECT_TRUE(row->on_to(&prototype, &spec, type)->is(type));
    }
}

TEST_F(SmallTypesTest, NoneAnswersSeriesQueriesWithNone) {
    const Cell value = integer::cell(1);
    const FindRefinements refinements{};
    Cell series = none_cell;
    EXPECT_TRUE(none_row.on_find(&series, &value, refinements)->is(Type::none));
    EXPECT_TRUE(none_row.on_select(&series, &value, refinements)->is(Type::none));
    EXPECT_TRUE(none_row.on_take(&series, nullptr, false, true)->is(Type::none));
    EXPECT_TRUE(none_row.on_clear(&series)->is(Type::none));
    EXPECT_TRUE(none_row.on_remove(&series, &value, nullptr)->is(Type::none));
    EXPECT_EQ(none_row.on_length_q(&series), -1);
    EXPECT_EQ(unset_row.on_find, nullptr);
}

TEST_F(SmallTypesTest, Compare) {
    struct Case { Cell a, b; i32 code; bool truth; std::optional<ErrorId> error; } const cases[] = {
        {unset_cell, unset_cell, compare_code::equal, true, {}},
        {unset_cell, unset_cell, compare_code::same, true, {}},
        {unset_cell, none_cell, compare_code::equal, false, {}},
        {unset_cell, unset_cell, compare_code::lesser, false, ErrorId::script_invalid_compare},
        {none_cell, none_cell, compare_code::strict_equal, true, {}},
        {none_cell, logic::cell(false), compare_code::equal, false, {}},
        {logic::cell(true), logic::cell(true), compare_code::equal, true, {}},
        {logic::cell(true), logic::cell(false), compare_code::not_equal, true, {}},
        {logic::cell(true), integer::cell(1), compare_code::equal, false, {}},
        {logic::cell(true), logic::cell(false), compare_code::greater, false, ErrorId::script_invalid_compare},
    };
    for (const Case& c : cases) {
        bool truth = false;
        EXPECT_EQ(error_of([&] { truth = compare_values(c.a, c.b, c.code); }), c.error) << molded(c.a) << " " << c.code;
        if (!c.error) {
            EXPECT_EQ(truth, c.truth) << molded(c.a) << " vs " << molded(c.b) << " code " << c.code;
        }
    }
    // Sorting puts false before true.
    const Cell t = logic::cell(true), f = logic::cell(false);
    EXPECT_LT(logic_row.on_compare(&f, &t, compare_code::sort), 0);
}

TEST_F(SmallTypesTest, LogicMakeReadsNumbersWhereToTakesAnyValueAsTrue) {
    const Cell text{header_of(Type::string), 0, 0, 0};
    struct Case { const char* name; Cell spec; bool made, converted; } const cases[] = {
        {"0", integer::cell(0), false, true},
        {"7", integer::cell(7), true, true},
        {"0.0", float_cell(0.0), false, true},
        {"-0.0", float_cell(-0.0), false, true},
        {"NaN", float_cell(std::nan("")), true, true},
        {"0%", float_cell(0.0, Type::percent), false, true},
        {"none", none_cell, false, false},
        {"false", logic::cell(false), false, false},
        {"true", logic::cell(true), true, true},
        {"a string", text, true, true},
    };
    for (const Case& c : cases) {
        Cell prototype = logic::cell(false);
        EXPECT_EQ(logic::get(*logic_row.on_make(&prototype, &c.spec, Type::logic)), c.made) << c.name;
        prototype = logic::cell(false);
        const Cell* converted = logic_row.on_to(&prototype, &c.spec, Type::logic);
        ASSERT_TRUE(converted->is(Type::logic)) << c.name;
        EXPECT_EQ(logic::get(*converted), c.converted) << c.name;
    }
}

TEST_F(SmallTypesTest, LogicBitwiseActions) {
    struct Case { sig::on_and_ ActionRow::*action; bool a, b, expected; } const cases[] = {
        {&ActionRow::on_and_, true, false, false}, {&ActionRow::on_and_, true, true, true},
        {&ActionRow::on_or_, false, true, true},   {&ActionRow::on_or_, false, false, false},
        {&ActionRow::on_xor_, true, true, false},  {&ActionRow::on_xor_, true, false, true},
    };
    for (const Case& c : cases) {
        Cell a = logic::cell(c.a), b = logic::cell(c.b);
        EXPECT_EQ(logic::get(*(logic_row.*c.action)(&a, &b)), c.expected);
    }
    Cell value = logic::cell(true);
    EXPECT_FALSE(logic::get(*logic_row.on_complement(&value)));
    EXPECT_EQ(value.w1, 0u);
    EXPECT_TRUE(logic::get(*logic_row.on_complement(&value)));
    Cell number = integer::cell(1);
    EXPECT_EQ(error_of([&] { logic_row.on_and_(&value, &number); }), ErrorId::script_expect_arg);
}

TEST_F(SmallTypesTest, LogicRandomIsUnbiasedAndReplaysItsSeed) {
    auto draw_trues = [&](int draws) {
        int trues = 0;
        for (int i = 0; i < draws; ++i) {
            Cell value = logic::cell(false);
            trues += logic::get(*logic_row.on_random(&value, false, false, false));
        }
        return trues;
    };
    Cell seed = logic::cell(true);
    EXPECT_TRUE(logic_row.on_random(&seed, true, false, false)->is(Type::unset));
    const int trues = draw_trues(10000);
    EXPECT_GT(trues, 4800);
    EXPECT_LT(trues, 5200);
    seed = logic::cell(true);
    logic_row.on_random(&seed, true, false, false);
    EXPECT_EQ(draw_trues(10000), trues);
}

TEST_F(SmallTypesTest, TruthTests) {
    struct Case { Cell value; bool truth; } const cases[] = {
        {none_cell, false}, {logic::cell(false), false}, {logic::cell(true), true},
        {integer::cell(0), true}, {unset_cell, true},
    };
    for (const Case& c : cases) EXPECT_EQ(logic::is_false(c.value), !c.truth) << molded(c.value);
    EXPECT_EQ(error_of([] { logic::condition_true(unset_cell); }), ErrorId::script_no_return);
    EXPECT_FALSE(logic::condition_true(none_cell));
}

}  // namespace
