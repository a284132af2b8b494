#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>
#include <unistd.h>

#include "platform/posix/command-line.h"
#include "platform/posix/directory.h"
#include "platform/posix/files.h"

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

// A pipe tells no size and cannot be rewound: it is read to its end, nothing lost.
TEST(Files, APipeIsReadToItsEnd) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const std::string sent(100000, 'x');
    std::thread writer([&] {
        ASSERT_EQ(write(ends[1], sent.data(), sent.size()), static_cast<ssize_t>(sent.size()));
        close(ends[1]);
    });
    EXPECT_EQ(platform::file_size(ends[0]), -1);
    std::string got;
    EXPECT_TRUE(platform::read_to_end(ends[0], got));
    writer.join();
    close(ends[0]);
    EXPECT_EQ(got, sent);
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
