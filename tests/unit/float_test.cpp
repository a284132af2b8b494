#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "action_call.h"
#include "runtime/datatypes/char.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/text/float-text.h"

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

TEST_F(FloatTest, Arithmetic) {
    const BinaryCase cases[] = {
        // The result type: a time with a non-time is a time; otherwise the left's type.
        {"1.5 + 0:00:01", &ActionRow::on_add, f(1.5), time_(1), is(time_(2.5))},
        {"50% + 0:00:01", &ActionRow::on_add, pct(0.5), time_(1), is(time_(1.5))},
        // Operands the float core does not take.
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

TEST_F(FloatTest, Compare) {
    using namespace compare_code;
    struct Case {
        const char* name;
        Cell a;
        Cell b;
        i32 code;
        bool expected;
    } const cases[] = {
        // Ten units in the last place is the tolerance, on either side of 1.0.
        {"1.0 = 1.0 + 10 ulp", f(1.0), f(ulps_from(1.0, 10)), equal, true},
        {"1.0 = 1.0 + 11 ulp", f(1.0), f(ulps_from(1.0, 11)), equal, false},
        {"1.0 = 1.0 - 10 ulp", f(1.0), f(ulps_from(1.0, -10)), equal, true},
        {"1.0 = 1.0 - 11 ulp", f(1.0), f(ulps_from(1.0, -11)), equal, false},
        {"-1.0 = -1.0 + 10 ulp", f(-1.0), f(ulps_from(-1.0, 10)), equal, true},
        {"1e300 = 1e300 + 10 ulp", f(1e300), f(ulps_from(1e300, 10)), equal, true},
        // Any test with a NaN fails.
        {"find 1.0 against NaN", f(1.0), f(NAN), find, false},
        // Other number types.
        {"60.0 = 0:01:00", f(60.0), time_(60), equal, true},
    };
    for (const Case& c : cases) EXPECT_EQ(compare_values(c.a, c.b, c.code), c.expected) << c.name;

    // NaN sorts among equals; a value it cannot relate to cannot be ordered.
    const Cell nan = f(NAN), one = f(1.0), ch = char_::cell(1);
    EXPECT_EQ(row.on_compare(&nan, &one, sort), 0);
    EXPECT_EQ(error_of([&] { compare_values(one, ch, lesser); }), ErrorId::script_invalid_compare);
}

TEST_F(FloatTest, Round) {
    const double tiny = std::nextafter(0.0, 1.0);
    const RoundCase cases[] = {
        // A time scale gives a time.
        {"round/to 100.4 0:00:01", f(100.4), time_(1), round_none, is(time_(100))},
        // A subnormal scale has no finite inverse: the value is divided by it instead.
        {"round/to 3 x smallest, 2 x smallest", f(3 * tiny), f(2 * tiny), round_none, is(f(4 * tiny))},
        {"round/to 1.5 $1", f(1.5), Cell{header_of(Type::money), 0, 0, 0}, round_none,
         fails(ErrorId::script_not_related)},
    };
    for (const RoundCase& c : cases) expect_round(c);
}

TEST_F(FloatTest, MakeAndTo) {
    struct Case {
        const char* name;
        Cell spec;
        Outcome expected;
    } const cases[] = {
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
        {"#{01}", binary_cell("\x01"), is(f(std::nextafter(0.0, 1.0)))},
    };
    for (const Case& c : cases) expect_make_and_to(row, Type::float_, c.spec, c.expected, c.name);
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
