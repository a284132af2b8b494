#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/posix/command-line.h"
#include "platform/posix/directory.h"
#include "platform/posix/files.h"
#include "platform/posix/pages.h"
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

// The main stack is worked out at start-up without the system's report; it must hold the
// frames running now and be the range the system reports, or the collector would scan
// unmapped memory and the recursion limit would sit below the real bottom.
// A large mapping starts on a huge page boundary; resized, it keeps its contents, reads
// zero beyond them, and stays at the same distance from a huge page boundary even when a
// mapping right after it makes it move.
TEST(Pages, LargeMappingsResizeKeepingContentsAndHugePageOffset) {
    constexpr std::size_t huge = platform::huge_page_size;
    const std::size_t n = 4 * huge;
    auto* p = static_cast<char*>(platform::alloc_pages(n));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % huge, 0u);
    std::memset(p, 7, n);
    void* blocker = mmap(p + n, 4096, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    struct Row { std::size_t size; };
    const Row rows[] = {{8 * huge}, {16 * huge + 4096}, {3 * huge}};
    std::size_t had = n;
    for (const Row& r : rows) {
        auto* q = static_cast<char*>(platform::resize_pages(p, had, r.size));
        ASSERT_NE(q, nullptr) << r.size;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(q) % huge, 0u) << r.size;
        EXPECT_EQ(q[0], 7) << r.size;
        EXPECT_EQ(q[std::min(n, r.size) - 1], 7) << r.size;
        if (r.size > n) {
            EXPECT_EQ(q[n], 0) << r.size;
            EXPECT_EQ(q[r.size - 1], 0) << r.size;
        }
        p = q;
        had = r.size;
    }
    EXPECT_TRUE(platform::free_pages(p, had));
    if (blocker != MAP_FAILED) munmap(blocker, 4096);
}

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
