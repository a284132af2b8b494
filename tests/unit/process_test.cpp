#include "boot/process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/catch.h"
#include "runtime/core/raise.h"
#include "runtime/memory/heap.h"

namespace zel {
namespace {

TEST(Process, ArgumentsAreCopiedToTheTrackedHeap) {
    std::string program = "/usr/bin/zel";
    const char* argv[] = {program.c_str(), "script.zel", "d\xC3\xA9j\xC3\xA0", nullptr};
    std::size_t before = heap::block_count();
    process::init(3, argv);
    program = "changed";
    ASSERT_EQ(process::state.argc, 3);
    EXPECT_STREQ(process::state.argv[0], "/usr/bin/zel");
    EXPECT_STREQ(process::state.argv[2], "d\xC3\xA9j\xC3\xA0");
    EXPECT_EQ(process::state.argv[3], nullptr);
    EXPECT_EQ(heap::block_count(), before + 4);
    EXPECT_LT(process::state.stack.low, reinterpret_cast<std::uintptr_t>(&before));
    EXPECT_GT(process::state.stack.high, reinterpret_cast<std::uintptr_t>(&before));
    process::exit();
    EXPECT_EQ(heap::block_count(), 0u);
}

TEST(Process, CommandLineQuotesWhatWouldSplit) {
    struct Case {
        std::vector<const char*> args;
        const char* text;
    } cases[] = {
        {{"zel"}, "zel"},
        {{"zel", "a b", "c"}, "zel \"a b\" c"},
        {{"zel", "tab\there", ""}, "zel \"tab\there\" \"\""},
        {{"/opt/my zel/zel", "say\"hi"}, "\"/opt/my zel/zel\" \"say\"hi\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(process::command_line(static_cast<int>(c.args.size()), c.args.data()), c.text) << c.text;
}

// Where each code ends up when a record at `level` sits inside one that takes everything.
TEST(Catch, ACodeIsTakenByTheFirstRecordAtOrAboveIt) {
    struct Case {
        ThrowCode code;
        u32 level;
        bool inner_takes;
    } cases[] = {
        {ThrowCode::error, 0x7FFFFFFF, true},
        {ThrowCode::break_, static_cast<u32>(ThrowCode::return_), false},
        {ThrowCode::return_, static_cast<u32>(ThrowCode::return_), true},
        {ThrowCode::exit, static_cast<u32>(ThrowCode::return_), true},
        {ThrowCode::vm_alloc, vm_catch_level, true},
        {ThrowCode::vm_release, vm_catch_level, true},
        {ThrowCode::throw_, vm_catch_level, false},
        {ThrowCode::error, vm_catch_level, false},
        {ThrowCode::quit, static_cast<u32>(ThrowCode::throw_), true},
        {ThrowCode::throw_, 0, false},
    };
    for (const Case& c : cases) {
        const char* taker = catch_at(
            0xFFFFFFFF,
            [&] {
                return catch_at(
                    c.level, [&]() -> const char* { throw Throw{c.code}; }, [](const Throw&) { return "inner"; });
            },
            [](const Throw&) { return "outer"; });
        EXPECT_STREQ(taker, c.inner_takes ? "inner" : "outer") << std::hex << static_cast<u32>(c.code);
    }
}

TEST(Catch, APassingErrorKeepsItsTypeAndAHandlerMayRethrow) {
    auto raise_in_records = [] {
        catch_at(
            static_cast<u32>(ThrowCode::return_), [] { raise(ErrorId::internal_too_deep); },
            [](const Throw&) { FAIL() << "an error passes a return record"; });
    };
    try {
        catch_at(vm_catch_level, raise_in_records, [](const Throw&) { throw; });
        FAIL() << "the vm record's handler rethrew nothing";
    } catch (const ErrorThrow& e) {
        EXPECT_EQ(e.id, ErrorId::internal_too_deep);
    }
    EXPECT_EQ(catch_at(7, [] { return 5; }, [](const Throw&) { return 0; }), 5);
}

TEST(ProcessDeathTest, OutermostCatchQuitsQuietlyOnQuitOnly) {
    EXPECT_EXIT(process::run([] { throw Throw{ThrowCode::quit}; }), ::testing::ExitedWithCode(0), "^$");
    EXPECT_EXIT(process::run([] { raise(ErrorId::internal_too_deep); }), ::testing::ExitedWithCode(95),
                "^Zel App Error: \\*\\*\\* Runtime Error 95: no CATCH for THROW\n\\*\\*\\* at: [0-9A-F]{8}h\n$");
    EXPECT_EXIT(process::run([] { throw Throw{ThrowCode::break_}; }), ::testing::ExitedWithCode(95),
                "Runtime Error 95");
}

}  // namespace
}  // namespace zel
