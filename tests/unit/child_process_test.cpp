// The process runner: command-line words, the children it leaves behind (none), the
// descriptors they see (only their three streams) and both streams captured in full.
#include "platform/posix/process.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

namespace zel::platform {
namespace {

TEST(ChildProcess, CommandLinesSplitIntoWords) {
    struct Case {
        const char* line;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"a b\tc", {"a", "b", "c"}},
        {"  a   b  ", {"a", "b"}},
        {R"(printf "%s|" "a b" 'c d')", {"printf", "%s|", "a b", "c d"}},
        {R"(a\ b "q\"x\\" 'it''s')", {"a b", R"(q"x\)", "its"}},
        {R"(x "" '')", {"x", "", ""}},
        {"", {}},
    };
    for (const Case& c : cases) EXPECT_EQ(split_command(c.line), c.words) << c.line;
}

// Whether the process still exists, zombie or not.
bool exists(long long pid) { return std::filesystem::exists("/proc/" + std::to_string(pid)); }

TEST(ChildProcess, AChildNotWaitedForIsReaped) {
    ProcessRequest request;
    request.command = "true";
    const ProcessResult result = run_process(request);
    ASSERT_GT(result.value, 0);
    for (int i = 0; i < 200 && exists(result.value); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(exists(result.value));
}

TEST(ChildProcess, OnlyTheThreeStreamsReachTheChild) {
    // A descriptor opened without close-on-exec is still not inherited.
    const int open_here = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(open_here, 0);
    ProcessRequest request;
    request.command = "ls /proc/self/fd";
    request.output.kind = ProcessOutput::Kind::capture;
    const ProcessResult result = run_process(request);
    ::close(open_here);
    EXPECT_EQ(result.value, 0);
    EXPECT_EQ(request.output.captured, "0\n1\n2\n3\n");  // 3: the folder ls reads
}

TEST(ChildProcess, BothStreamsAndTheInputFlowAtOnce) {
    ProcessRequest request;
    request.command = "sh -c 'cat; head -c 3000000 /dev/zero >&2'";
    request.input.kind = ProcessInput::Kind::bytes;
    request.input.bytes.assign(5000000, 'i');
    request.output.kind = ProcessOutput::Kind::capture;
    request.error.kind = ProcessOutput::Kind::capture;
    const ProcessResult result = run_process(request);
    EXPECT_EQ(result.value, 0);
    EXPECT_EQ(request.output.captured, request.input.bytes);
    EXPECT_EQ(request.error.captured, std::string(3000000, '\0'));
}

TEST(ChildProcess, AChildThatStopsReadingEndsTheInputQuietly) {
    ProcessRequest request;
    request.command = "head -c 1";
    request.input.kind = ProcessInput::Kind::bytes;
    request.input.bytes.assign(1000000, 'x');
    request.output.kind = ProcessOutput::Kind::capture;
    const ProcessResult result = run_process(request);
    EXPECT_EQ(result.value, 0);
    EXPECT_EQ(request.output.captured, "x");
    sigset_t pending;
    sigpending(&pending);
    EXPECT_FALSE(sigismember(&pending, SIGPIPE));
}

TEST(ChildProcess, FailuresSayWhatFailed) {
    ProcessRequest missing;
    missing.command = "no-such-program-anywhere";
    missing.wait = true;
    EXPECT_EQ(run_process(missing).failure, ProcessFailure::not_found);
    ProcessRequest unwritable;
    unwritable.command = "true";
    unwritable.error.kind = ProcessOutput::Kind::file;
    unwritable.error.path = "/no/such/folder/err.txt";
    const ProcessResult result = run_process(unwritable);
    EXPECT_EQ(result.failure, ProcessFailure::cannot_open);
    EXPECT_EQ(result.stream, 2);
    EXPECT_EQ(result.value, -1);
}

}  // namespace
}  // namespace zel::platform
