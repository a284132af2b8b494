// The interpreter through source text: each row is code and its molded value, or the
// error it raises ("error: <id>").
#include <gtest/gtest.h>

#include "runtime/eval/frame.h"
#include "runtime/io/print-hooks.h"
#include "runtime/memory/gc.h"
#include "tests/support/evaluator.h"

using zel::test::raised;
using zel::test::run;

namespace {

struct Case {
    const char* source;
    const char* expected;
};

class InterpreterTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { zel::test::start_runtime(); }
    static void expect_all(std::initializer_list<Case> cases) {
        for (const Case& c : cases) EXPECT_EQ(run(c.source), c.expected) << c.source;
    }
};

TEST_F(InterpreterTest, ValuesWordsAndParens) {
    expect_all({
        {"", "unset"},
        {"1 2 3", "3"},
        {"'abc", "abc"},
        {"x: 5 :x", "5"},
        {"x: y: 7 x + y", "14"},
        {"[a b]", "[a b]"},
        {"(1 2)", "2"},
        {"()", "unset"},
        {"'a/b", "a/b"},
        {"#issue", "#issue"},
        {"undefined-word", "error: no-value"},
        {"x:", "error: need-value"},
        {"x: ()", "error: need-value"},
        {"+ 1", "error: no-op-arg"},
        {"#system [a]", "error: zel-system"},
    });
}

TEST_F(InterpreterTest, OperatorsGoLeftToRight) {
    expect_all({
        {"1 + 2 * 3", "9"},
        {"2 * 3 + 1", "7"},
        {"(1 + 2) * 3", "9"},
        {"1 + (2 * 3)", "7"},
        {"add 1 + 2 3", "6"},
        {"1 < 2", "true"},
        {"1 + 1 = 2", "true"},
        {"2147483647 + 1", "2147483648.0"},
        {"-2147483648 - 1", "-2147483649.0"},
        {"65536 * 65536", "4294967296.0"},
        {"1.5 + 2", "3.5"},
        {"1.5 + 2.5", "4.0"},
        {"1 = \"a\"", "false"},
        {"1 < \"a\"", "error: invalid-compare"},
        {"1 + \"a\"", "error: invalid-type"},
    });
}

TEST_F(InterpreterTest, FunctionsAndRefinements) {
    run("f: func [a /r b] [either r [a + b] [a]]");
    run("g: func [/x a /y b] [reduce-xy: either x [either y [a - b] [a]] [either y [b] [0]]]");
    expect_all({
        {"f 1", "1"},
        {"f/r 1 2", "3"},
        {"f 1 + 2", "3"},
        {"g/x/y 10 3", "7"},
        {"g/y/x 3 10", "7"},
        {"g/y 5", "5"},
        {"g", "0"},
        {"f/r/r 1 2 3", "error: dup-refine"},
        {"f/bad 1", "error: no-refine"},
        {"f", "error: no-arg"},
        {"h: func [:w] [w] h (1 + 2)", "(1 + 2)"},
        {"h: func ['w] [w] h foo", "foo"},
        {"x: 5 h: func ['w] [w] h :x", "5"},
        {"h: func [w [integer!]] [w] h \"s\"", "error: expect-arg"},
        {"k: func [a /local t] [t: a * 2 t] k 4", "8"},
        {"r: true f/:r 1 2", "3"},
        {"r: false f/:r 1 2", "1"},
    });
}

TEST_F(InterpreterTest, RecursionSeesItsOwnArguments) {
    run("fib: func [n] [either n < 2 [n] [(fib n - 1) + fib n - 2]]");
    expect_all({{"fib 15", "610"}});
}

TEST_F(InterpreterTest, ReturnAndExit) {
    expect_all({
        {"f: func [] [return 5 6] f", "5"},
        {"f: func [] [exit 6] f", "unset"},
        {"f: func [] [loop 10 [if true [return 7]] 8] f", "7"},
        {"f: func [n] [loop 10 [n: n + 1 if n = 5 [return n]] 0] f 1", "5"},
        {"return 1", "error: return"},
        {"loop 3 [break]", "unset"},
        {"loop 3 [break/return 4]", "4"},
        {"n: 0 loop 5 [n: n + 1 if n > 2 [continue] n: n + 10] n", "15"},
        {"break", "error: break"},
        {"catch [throw 3 4]", "3"},
        {"throw 1", "error: throw"},
    });
}

TEST_F(InterpreterTest, CodeThatChangesItsOwnBlock) {
    expect_all({
        {"n: 0 code: [n: n + 1 append code [n: n + 10]] if true code n", "11"},
        {"n: 0 code: [append/dup code [n: n + 1] 1000] if true code n", "1000"},
        {"f: func [] [append body [x: 1] 5] body: [f] if true body x", "1"},
    });
}

TEST_F(InterpreterTest, Paths) {
    run("o: make object! [a: 1 b: [x y z] f: func [v /r] [either r [v * 10] [v]]]");
    expect_all({
        {"o/a", "1"},
        {"o/b/2", "y"},
        {"o/a: 5 o/a", "5"},
        {"o/b/2: 'q o/b", "[x q z]"},
        {":o/b", "[x q z]"},
        {"i: 3 o/b/:i", "z"},
        {"o/b/(1 + 2)", "z"},
        {"o/f 2", "2"},
        {"o/f/r 2", "20"},
        {"g: :o/f g/r 3", "30"},
        {":add/r", "error: invalid-path-get"},
        {"o/missing", "error: invalid-path"},
        {"o/missing: 1", "error: invalid-path"},
        {"never-set/a", "error: unset-path"},
        {"o/b/:never-set", "error: invalid-path"},
        {"x: 1 x/a", "error: bad-path-type"},
        {"add/a 1 2", "error: no-refine"},
        {"b: [1 2 3] b/2: 9 b", "[1 9 3]"},
    });
}

TEST_F(InterpreterTest, ErrorsUnwindToTry) {
    run("inner: func [x] [x + \"a\"] outer: func [] [inner 1]");
    expect_all({
        {"try [outer] 5", "5"},
        {"e: try [outer] e/id", "invalid-type"},
    });
    const auto e = raised("outer");
    EXPECT_EQ(e.id, "invalid-type");
    EXPECT_EQ(e.where, "+");
    EXPECT_EQ(e.near, "[x + \"a\"]");
}

}  // namespace

namespace {

TEST_F(InterpreterTest, DeepRecursionOverflowsAndTheSystemStaysUsable) {
    run("down: func [n] [down n + 1]");
    const zel::Cell* top = zel::stack::top;
    const zel::u32 depth = zel::frame::depth();
    expect_all({{"down 1", "error: stack-overflow"}, {"1 + 1", "2"}});
    EXPECT_EQ(zel::stack::top, top);
    EXPECT_EQ(zel::frame::depth(), depth);
    expect_all({{"fib: func [n] [either n < 2 [n] [(fib n - 1) + fib n - 2]] fib 10", "55"}});
}

TEST_F(InterpreterTest, CollectionsInsideNestedEvaluationKeepValues) {
    expect_all({
        {"h: func [x y] [recycle append x y] h copy [a] copy [b c]", "[a b c]"},
        {"s: func [n] [either n = 0 [recycle form 12345] [s n - 1]] s 20", "\"12345\""},
        {"k: func [/local t] [t: copy [1 2] recycle append t 3] k", "[1 2 3]"},
    });
}

// What the console asks before its prompt: whether the last output ended its line.
TEST_F(InterpreterTest, PrintEndsTheLineAndPrinLeavesItOpen) {
    const struct {
        const char* source;
        bool line_ended;
    } cases[] = {
        {"prin \"a\"", false},
        {"print [1 + 1]", true},
        {"prin []", false},
        {"print \"\"", true},
    };
    for (const auto& c : cases) {
        run(c.source);
        EXPECT_EQ(zel::stdio::last_line_ended(), c.line_ended) << c.source;
    }
}

TEST_F(InterpreterTest, EveryAllocationCollecting) {
    ASSERT_TRUE(zel::gc::enabled()) << "the library's start-up leaves collection on";
    const zel::u32 stress = zel::gc::stress();
    zel::gc::set_stress(1);
    expect_all({
        {"fib: func [n] [either n < 2 [n] [(fib n - 1) + fib n - 2]] fib 8", "21"},
        {"b: copy [1 2] f: func [x] [append b x] f 3 f form 4 b/4", "\"4\""},
        {"g: func [a /r b] [either r [append copy a b] [a]] g/r [x] [y]", "[x y]"},
        {"o: make object! [b: [1 2] c: \"s\"] append o/b 3 o/b", "[1 2 3]"},
    });
    zel::gc::set_stress(stress);
}

}  // namespace
