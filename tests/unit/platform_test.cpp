#include <gtest/gtest.h>

#include <climits>
#include <unistd.h>

#include "platform/posix/directory.h"

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

}  // namespace
}  // namespace zel
