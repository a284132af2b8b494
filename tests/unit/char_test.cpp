#include <gtest/gtest.h>

#include <climits>

#include "action_call.h"
#include "runtime/datatypes/char.h"
#include "runtime/datatypes/integer.h"

using namespace zel;
using namespace zel::test;

namespace {

class CharTest : public ::testing::Test {
protected:
    void SetUp() override { ensure_datatypes(); }
    const ActionRow& row = registry().actions(Type::char_);
};

// A code point, or the error raised instead.
struct Outcome {
    std::optional<ErrorId> error;
    u32 code_point = 0;
};
Outcome is(u32 c) { return {std::nullopt, c}; }
Outcome fails(ErrorId id) { return {id, 0}; }

template <class F>
void expect_char(const Outcome& expected, F&& call, const char* what) {
    Cell result{};
    const std::optional<ErrorId> error = error_of([&] { result = *call(); });
    if (expected.error) {
        EXPECT_EQ(error, expected.error) << what;
        return;
    }
    ASSERT_FALSE(error) << what;
    EXPECT_TRUE(result.is(Type::char_)) << what;
    EXPECT_EQ(result.w2, expected.code_point) << what;
}

TEST_F(CharTest, MakeAndTo) {
    const Cell none{header_of(Type::none), 0, 0, 0};
    struct Case { const char* name; Cell spec; Outcome expected; } const cases[] = {
        {"65", integer::cell(65), is('A')},
        {"#\"z\"", char_::cell('z'), is('z')},
        {"0", integer::cell(0), is(0)},
        {"1114111", integer::cell(0x10FFFF), is(0x10FFFF)},
        {"65.9", float_cell(65.9), is('A')},
        {"-1", integer::cell(-1), fails(ErrorId::script_out_of_range)},
        {"1114112", integer::cell(0x110000), fails(ErrorId::script_out_of_range)},
        {"-0.5", float_cell(-0.5), is(0)},
        {"1e20", float_cell(1e20), fails(ErrorId::script_out_of_range)},
        {"none", none, fails(ErrorId::script_bad_to_arg)},
    };
    for (const Case& c : cases) {
        for (auto action : {row.on_make, row.on_to}) {
            expect_char(c.expected, [&] {
                Cell prototype = char_::cell(0);
                return action(&prototype, &c.spec, Type::char_);
            }, c.name);
        }
    }
}

TEST_F(CharTest, ArithmeticStaysInTheCodePointRange) {
    using BinaryAction = sig::on_add ActionRow::*;
    struct Case { const char* name; BinaryAction action; u32 left; Cell right; Outcome expected; } const cases[] = {
        {"#\"a\" + 1", &ActionRow::on_add, 'a', integer::cell(1), is('b')},
        {"#\"a\" - #\" \"", &ActionRow::on_subtract, 'a', char_::cell(' '), is('A')},
        {"#\"d\" / 2", &ActionRow::on_divide, 'd', integer::cell(2), is(50)},
        {"#\"e\" / 2", &ActionRow::on_divide, 'e', integer::cell(2), is(50)},
        {"#\"e\" remainder 2", &ActionRow::on_remainder, 'e', integer::cell(2), is(1)},
        {"#\"A\" * 2", &ActionRow::on_multiply, 'A', integer::cell(2), is(130)},
        {"#\"a\" and 95", &ActionRow::on_and_, 'a', integer::cell(95), is('A')},
        {"#\"A\" or 32", &ActionRow::on_or_, 'A', integer::cell(32), is('a')},
        {"#\"A\" xor 32", &ActionRow::on_xor_, 'A', integer::cell(32), is('a')},
        {"#\"a\" + 1.9", &ActionRow::on_add, 'a', float_cell(1.9), is('b')},
        {"#\"^(10FFFE)\" + 1", &ActionRow::on_add, 0x10FFFE, integer::cell(1), is(0x10FFFF)},
        {"#\"^(10FFFF)\" + 1", &ActionRow::on_add, 0x10FFFF, integer::cell(1), fails(ErrorId::math_overflow)},
        {"#\"^@\" - 1", &ActionRow::on_subtract, 0, integer::cell(1), fails(ErrorId::math_overflow)},
        {"#\"a\" + 2147483647", &ActionRow::on_add, 'a', integer::cell(INT32_MAX), fails(ErrorId::math_overflow)},
        {"#\"a\" * 65536", &ActionRow::on_multiply, 'a', integer::cell(65536), fails(ErrorId::math_overflow)},
        {"#\"a\" + 1e300", &ActionRow::on_add, 'a', float_cell(1e300), fails(ErrorId::math_overflow)},
        {"#\"a\" / 0", &ActionRow::on_divide, 'a', integer::cell(0), fails(ErrorId::math_zero_divide)},
        {"#\"a\" remainder 0", &ActionRow::on_remainder, 'a', integer::cell(0), fails(ErrorId::math_zero_divide)},
        {"#\"a\" + none", &ActionRow::on_add, 'a', Cell{header_of(Type::none), 0, 0, 0}, fails(ErrorId::script_invalid_type)},
    };
    for (const Case& c : cases) {
        expect_char(c.expected, [&] {
            Cell left = char_::cell(c.left);
            Cell right = c.right;
            return (row.*c.action)(&left, &right);
        }, c.name);
    }
}

TEST_F(CharTest, InheritedActionsKeepTheCharType) {
    Cell value = char_::cell('a');
    expect_char(is('a'), [&] { return row.on_absolute(&value); }, "absolute");
    EXPECT_TRUE(row.on_odd_q(&value));
    Cell bound = char_::cell(3);
    const Cell* drawn = row.on_random(&bound, false, false, false);
    EXPECT_TRUE(drawn->is(Type::char_));
    EXPECT_TRUE(drawn->w2 >= 1 && drawn->w2 <= 3);
}

TEST_F(CharTest, CompareIsByCodePointAndCaseSensitive) {
    const Cell text{header_of(Type::string), 0, 0, 0};
    struct Case { u32 value; Cell other; i32 code; i32 expected; } const cases[] = {
        {'a', integer::cell(97), compare_code::equal, 0},
        {'a', integer::cell(97), compare_code::strict_equal, 1},
        {'a', integer::cell(97), compare_code::find, 1},
        {'a', char_::cell('a'), compare_code::strict_equal, 0},
        {'a', char_::cell('A'), compare_code::equal, 1},
        {'A', char_::cell('a'), compare_code::lesser, -1},
        {'a', text, compare_code::equal, not_comparable},
        {'a', text, compare_code::strict_equal, 1},
    };
    for (const Case& c : cases) {
        const Cell value = char_::cell(c.value);
        EXPECT_EQ(row.on_compare(&value, &c.other, c.code), c.expected) << c.value << " code " << c.code;
    }
}

TEST_F(CharTest, FormAndMold) {
    const MoldFlags all{false, true, false};
    struct Case { u32 c; const char* mold; const char* mold_all; } const cases[] = {
        {'A', "#\"A\"", "#\"A\""},
        {'\t', "#\"^-\"", "#\"^-\""},
        {'\n', "#\"^/\"", "#\"^/\""},
        {0, "#\"^@\"", "#\"^@\""},
        {27, "#\"^[\"", "#\"^[\""},
        {30, "#\"^(1E)\"", "#\"^(1E)\""},
        {127, "#\"^~\"", "#\"^~\""},
        {'"', "#\"^\"\"", "#\"^\"\""},
        {'^', "#\"^^\"", "#\"^^\""},
        {128, "#\"^(80)\"", "#\"^(80)\""},
        {0xE9, "#\"\u00e9\"", "#\"^(E9)\""},
        {0x4E2D, "#\"\u4e2d\"", "#\"^(4E2D)\""},
        {0x1F600, "#\"\U0001F600\"", "#\"^(1F600)\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(molded(char_::cell(c.c)), c.mold) << c.c;
        EXPECT_EQ(molded(char_::cell(c.c), all), c.mold_all) << c.c;
    }
    EXPECT_EQ(formed(char_::cell(0xE9)), "\u00e9");
    EXPECT_EQ(formed(char_::cell('"')), "\"");
    // A mold counts four characters against the limit whatever the escape's length.
    Output out;
    const Cell value = char_::cell(30);
    EXPECT_EQ(row.on_mold(&value, out, MoldFlags{}, nullptr, 100, 0), 96);
}

}  // namespace
