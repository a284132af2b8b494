// The frame a loop native opens so that break and continue find it. A body run inside it
// ends normally, by continue (the next iteration follows) or by break (the loop ends with
// break's value); every other exit goes on unwinding, and its catch site pops the frame.
// An exit going on as a status ends the run with `left`: the native returns at once.
#pragma once
#include "runtime/eval/exits.h"

namespace zel::natives {

class LoopFrame {
public:
    // Opens the frame above the calling native's arguments: read them before.
    LoopFrame();
    LoopFrame(const LoopFrame&) = delete;
    LoopFrame& operator=(const LoopFrame&) = delete;

    enum class Step { done, continued, broke, left };
    // Evaluates the block; `value` receives its last value (unset! after continue, break's
    // value after break).
    Step run(const Cell& block, Cell& value);
    // Evaluates a condition block, where break and continue are errors.
    Cell condition(const Cell& block);
    // Closes the frame and stores the loop's result in the native's result slot.
    void close(const Cell& result);

private:
    Step stopped(const ExitThrow& t, Cell& value);

    u32 index_;
    exits::Mark mark_;
};

}  // namespace zel::natives
