#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>
#include <unistd.h>

#include "platform/posix/command-line.h"
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

TEST(Directory, GetTheCurrentDirectory) {
    char before[PATH_MAX];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    std::string now;
    ASSERT_TRUE(platform::get_cwd(now));
    EXPECT_EQ(now, before);
}

// The raw text splits back into the same arguments: an argument is quoted only when it
// holds white space or a quote (or is empty), and inside quotes a double quote and the
// backslashes before it are escaped.
TEST(CommandLine, TheArgumentsAsOneText) {
    struct Case {
        std::vector<const char*> argv;
        const char* text;
    };
    const Case cases[] = {
        {{"zel"}, "zel"},
        {{"zel", "script.zel", "a", "b c"}, "zel script.zel a \"b c\""},
        {{"/usr/bin/zel", ""}, "/usr/bin/zel \"\""},
        {{"zel", "tab\there"}, "zel \"tab\there\""},
        {{"zel", "say \"hi\""}, "zel \"say \\\"hi\\\"\""},
        {{"zel", "it's"}, "zel \"it's\""},
        {{"zel", "a\\b"}, "zel a\\b"},
        {{"zel", "a b\\"}, "zel \"a b\\\\\""},
        {{"zel", "é"}, "zel é"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::command_line_of(static_cast<int>(c.argv.size()), c.argv.data()), c.text) << c.text;
}

}  // namespace
}  // namespace zel
