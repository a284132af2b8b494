#include "boot/process.h"

#include <gtest/gtest.h>

#include "runtime/core/raise.h"
#include "runtime/memory/heap.h"

namespace zel {
namespace {

TEST(Process, InitRecordsTheMainStackAndExitFreesTheHeap) {
    process::init();
    int here = 0;
    EXPECT_LT(process::state.stack.low, reinterpret_cast<std::uintptr_t>(&here));
    EXPECT_GT(process::state.stack.high, reinterpret_cast<std::uintptr_t>(&here));
    heap::alloc(16);
    process::exit();
    EXPECT_EQ(heap::block_count(), 0u);
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
