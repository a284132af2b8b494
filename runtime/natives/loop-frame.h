// The frame a loop native opens so that break and continue find it. A body run inside it
// ends normally, by continue (the next iteration follows) or by break (the loop ends with
// break's value); every other exit goes on unwinding, and its catch site pops the frame.
// An exit going on as a status ends the run with `left`: the native returns at once.
#pragma once
#include "runtime/eval/exits.h"
#include "runtime/eval/interpreter.h"
#include "runtime/eval/stack.h"

namespace zel::natives {

class LoopFrame {
public:
    // Opens the frame above the calling native's arguments: read them before.
    LoopFrame();
    LoopFrame(const LoopFrame&) = delete;
    LoopFrame& operator=(const LoopFrame&) = delete;

    enum class Step { done, continued, broke, left };
    // Evaluates the block; `value` receives its last value (unset! after continue, break's
    // value after break). Inline: a loop runs its body once per iteration, and a run that
    // ends normally only takes the value. A loop whose result is never its body's last
    // value runs it with `last` false: `value` then changes only by continue or break.
    template <bool last = true>
    Step run(const Cell& block, Cell& value) {
        try {
            interp::eval_block(block, false);
        } catch (const ExitThrow& t) {
            return thrown(t, value);
        }
        if (exits::exiting) [[unlikely]]
            return in_flight(value);
        if constexpr (last) value = *stack::top_cell();
        stack::top = mark_.top;
        return Step::done;
    }
    // Evaluates a condition block, where break and continue are errors.
    Cell condition(const Cell& block);
    // Closes the frame and stores the loop's result in the native's result slot.
    void close(const Cell& result);

private:
    // How a run ended by an exit thrown (rethrown unless aimed here) or in flight as a
    // status (taken when aimed here, else `left`).
    Step thrown(const ExitThrow& t, Cell& value);
    Step in_flight(Cell& value);
    Step stopped(const ExitThrow& t, Cell& value);

    u32 index_;
    exits::Mark mark_;
};

}  // namespace zel::natives
