// The evaluation stack and call frames: capacity limits, closers, walks and the
// uncaught-error exit.
#include <gtest/gtest.h>

#include <optional>

#include "runtime/datatypes/block.h"
#include "runtime/datatypes/integer.h"
#include "runtime/eval/frame.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "tests/support/evaluator.h"

namespace zel {
namespace {

class StackTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::start_runtime(); }
    void SetUp() override { mark_ = exits::mark(); }
    void TearDown() override { exits::restore(mark_); }

    static Cell word(const char* name) {
        return Cell{header_of(Type::word), 0, symbol::intern_cstring(name), context::no_index};
    }
    static std::optional<ErrorId> error_of(auto&& f) {
        try {
            f();
        } catch (const ErrorThrow& e) {
            return e.id;
        }
        return std::nullopt;
    }

    exits::Mark mark_{};
};

TEST_F(StackTest, ThePushBeyondCapacityOverflowsAndFreesRoom) {
    stack::top = stack::base = stack::bottom;
    for (u32 i = 0; i < stack::capacity; ++i) stack::push(integer::cell(static_cast<i32>(i)));
    EXPECT_EQ(stack::top, stack::end);
    EXPECT_EQ(error_of([] { stack::push(none_cell); }), ErrorId::internal_stack_overflow);
    EXPECT_EQ(stack::index_of(stack::top), stack::capacity - stack::overflow_room);
}

TEST_F(StackTest, TheFrameBeyondCapacityOverflows) {
    const u32 open_before = frame::depth();
    const auto opened = error_of([&] {
        for (u32 i = open_before; i <= frame::capacity; ++i) frame::open_native(word("f"));
    });
    EXPECT_EQ(opened, ErrorId::internal_stack_overflow);
    EXPECT_EQ(frame::depth(), frame::capacity);
}

TEST_F(StackTest, ClosersLeaveTheResultWhereTheyPromise) {
    Cell* const caller_base = stack::base;
    stack::push(integer::cell(1));
    Cell* const call_base = frame::open_native(word("f"));
    stack::push(integer::cell(7));
    stack::push(integer::cell(8));
    frame::close();
    EXPECT_EQ(stack::base, caller_base);
    EXPECT_EQ(stack::top, call_base + 1);
    EXPECT_EQ(integer::get(*call_base), 7);

    frame::open_native(word("f"));
    stack::push(integer::cell(9));
    frame::close_return();
    EXPECT_EQ(integer::get(*caller_base), 9);
}

TEST_F(StackTest, CallWordsSkipUnnamedFrames) {
    exits::restore(exits::Mark{0, stack::bottom, stack::bottom});
    frame::open_eval(*words::tag_body);
    frame::open_native(*words::tag_anon);
    EXPECT_EQ(frame::current_call_word().w2, words::tag_not_found->w2);

    frame::open_native(word("outer"));
    frame::open_eval(*words::tag_body);
    frame::open_native(word("inner"));
    frame::open_native(*words::tag_body);
    EXPECT_EQ(symbol::name(frame::current_call_word().w2), "inner");
}

TEST_F(StackTest, UnwindingPutsBackTheContextsOfFunctionCalls) {
    test::run("f: func [a] [a]");
    const Cell fn = *context::global_value_cell(symbol::intern_cstring("f"));
    Cell& ctx = context::cell_of(fn.w1);
    const u32 before = ctx.w2;
    frame::open_function(word("f"), fn.w1);
    ctx.w2 = 100;
    frame::open_function(word("f"), fn.w1);
    ctx.w2 = 200;
    frame::unwind_to(frame::depth() - 1);
    EXPECT_EQ(ctx.w2, 100u);
    frame::close_function();
    EXPECT_EQ(ctx.w2, before);
}

// An exit goes to its target as a status unless code that does not test the status lies
// between: then it is thrown. The target is the same either way.
TEST_F(StackTest, ExitsGoAsAStatusUnlessOpaqueCodeLiesBetween) {
    struct Case {
        bool opaque_between;
        bool thrown;
    };
    for (const Case c : {Case{false, false}, Case{true, true}}) {
        frame::open_loop(word("loop"));
        const u32 loop = frame::depth() - 1;
        bool thrown = false;
        u32 target = 0;
        {
            std::optional<exits::Opaque> between;
            if (c.opaque_between) between.emplace();
            frame::open_native(word("break"));
            try {
                frame::throw_break(false, false);
                target = exits::status.target;
                EXPECT_TRUE(exits::take(loop, ThrowCode::break_, ThrowCode::continue_));
            } catch (const ExitThrow& t) {
                thrown = true;
                target = t.target;
            }
        }
        EXPECT_EQ(thrown, c.thrown);
        EXPECT_EQ(target, loop);
        EXPECT_FALSE(exits::exiting);
        exits::restore(mark_);
    }
}

using StackDeathTest = StackTest;

TEST_F(StackDeathTest, AnUncaughtErrorIsReportedAndEndsWithStatus254) {
    EXPECT_EXIT(exits::catch_uncaught([] { interp::eval_block(test::load("1 + \"a\""), false); }),
                ::testing::ExitedWithCode(254), "Zel NoName App: \\*\\*\\* Script Error");
}

}  // namespace
}  // namespace zel
