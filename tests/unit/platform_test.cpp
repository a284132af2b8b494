#include <gtest/gtest.h>

#include <climits>
#include <unistd.h>

#include "platform/posix/directory.h"
#include "platform/posix/stack.h"

namespace zel {
namespace {

TEST(Directory, SetTheCurrentDirectory) {
    char before[PATH_MAX];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    ASSERT_TRUE(platform::set_cwd("/"));
    char now[PATH_MAX];
    ASSERT_NE(getcwd(now, sizeof now), nullptr);
    EXPECT_STREQ(now, "/");
    EXPECT_FALSE(platform::set_cwd("/no/such/folder/here"));
    ASSERT_TRUE(platform::set_cwd(before));
}

// The main stack is worked out at start-up without the system's report; it must hold the
// frames running now and be the range the system reports, or the collector would scan
// unmapped memory and the recursion limit would sit below the real bottom.
TEST(Stack, MainStackHoldsTheRunningFramesWithinTheSystemsRange) {
    platform::record_main_stack();
    const platform::StackBounds entry = platform::main_stack();
    const platform::StackBounds reported = platform::stack_bounds();
    int here = 0;
    const auto at = reinterpret_cast<std::uintptr_t>(&here);
    EXPECT_LT(entry.low, at);
    EXPECT_GT(entry.high, at);
    EXPECT_EQ(entry.low, reported.low);
    EXPECT_EQ(entry.high, reported.high);
}

}  // namespace
}  // namespace zel
