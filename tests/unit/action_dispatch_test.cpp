// Action dispatch and the fast arithmetic and comparison paths: each row is code and its
// molded value, or the error it raises.
#include <gtest/gtest.h>

#include "runtime/datatypes/block.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/eval/action.h"
#include "runtime/eval/fast-arith.h"
#include "tests/support/evaluator.h"

namespace zel {
namespace {

struct Case {
    const char* source;
    const char* expected;
};

class ActionDispatchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::start_runtime(); }
    static void expect_all(std::initializer_list<Case> cases) {
        for (const Case& c : cases) EXPECT_EQ(test::run(c.source), c.expected) << c.source;
    }
};

TEST_F(ActionDispatchTest, RefinementsReachTheImplementations) {
    expect_all({
        {"form/part 12345 0", "\"\""},
        {"form/part 12345 3", "\"123\""},
        {"mold/only [1 [2]]", "\"1 [2]\""},
        {"mold/flat [1\n2]", "\"[1 2]\""},
        {"append/only [1] [2 3]", "[1 [2 3]]"},
        {"append/dup [1] 0 3", "[1 0 0 0]"},
        {"append/dup/only [1] [x] 2", "[1 [x] [x]]"},
        {"append/part [1] [2 3 4] 2", "[1 2 3]"},
        {"insert/part [1] [x y z] 2", "[1]"},
        {"copy/part [1 2 3] 2", "[1 2]"},
        {"b: [[1]] c: copy/deep b append c/1 2 b", "[[1]]"},
        {"pick [a b] true", "a"},
        {"pick [a b] false", "b"},
        {"pick [a b] 3", "none"},
        {"length? [1 2 3]", "3"},
    });
}

TEST_F(ActionDispatchTest, PartAndDupCountsThatDoNothing) {
    expect_all({
        {"append/part [1 2] [3 4] 0", "[1 2]"},
        {"append/part [1 2] [3 4] -1", "[1 2]"},
        {"append/dup [1 2] 3 0", "[1 2]"},
        {"append/dup [1 2] 3 -2", "[1 2]"},
        {"b: [1 2 3] append/part b [x] tail b", "[1 2 3 x]"},
        {"append/part [1] [2] \"s\"", "error: invalid-refine-arg"},
        {"append/part [1] [2] 1.5", "error: invalid-part"},
    });
}

TEST_F(ActionDispatchTest, UnsupportedActionsNameTheCallAndTheDatatype) {
    expect_all({
        {"e: try [length? 5] e/id", "expect-arg"},
        {"e: try [length? 5] e/arg1", "length?"},
        {"e: try [length? 5] e/arg2", "integer!"},
        {"e: try [length? 5] e/arg3", "series"},
        {"e: try [copy/types [1] 5] e/arg3", "kind"},
        {"make block! 3", "[]"},
    });
    const Cell port{header_of(Type::port), 0, 0, 0};
    try {
        action::unsupported(port, 59);
        ADD_FAILURE() << "read on a port without read";
    } catch (const ErrorThrow& e) {
        EXPECT_EQ(e.id, ErrorId::access_no_port_action);
    }
}

TEST_F(ActionDispatchTest, ValuesOfDifferentTypesAreNotEqual) {
    const Cell text = *block::cell_at(test::load("\"a\""), 0);
    EXPECT_FALSE(compare_values(integer::cell(1), text, compare_code::equal));
}

}  // namespace
}  // namespace zel
