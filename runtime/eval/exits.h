// Non-local exits: break, continue, return, exit, throw and errors leave the computation as
// one C++ exception (runtime/throw.h), or, for the exits other than errors, as a status. The
// thrower finds the frame that receives the exit before leaving; the catch site of that
// frame takes it, pops the frames above it (putting their contexts back) and restores the
// stack tops it recorded. While an exit is in flight its value is kept in the pending cell,
// a root, so a collection keeps it.
//
// An exit goes as a status when all the C++ code between it and its target tests the status
// after each evaluation and returns at once while it is set: the interpreter and the natives
// marked exit-transparent. Code that does not (a sort calling a comparator, a change hook, a
// native not so marked) calls the evaluator inside an Opaque guard, and an exit aimed below
// that guard's depth is thrown. Either way the same frame receives it, with the stacks as the
// exit left them.
#pragma once
#include "runtime/core/raise.h"
#include "runtime/eval/frame.h"

namespace zel {

// An exit aimed at one frame: a break or continue at a loop, a return or exit at a function
// body, a throw at a catch. `target` is that frame's index.
struct ExitThrow : Throw {
    u32 target = 0;
    Cell name_value{};  // the /name of a throw, none! without one
};

}  // namespace zel

namespace zel::exits {

// The root cells: the value in flight (and the /name of a throw taken as a status), the
// uncaught error being reported, and the program's script header (whose Title the
// uncaught-error report takes). The report keeps its error apart from the value in flight:
// an error raised and caught while the report is formed replaces that one, and the
// exception object is no root.
extern Cell* pending;
extern Cell* pending_name;
extern Cell* uncaught;
extern Cell* script_header;

// The exit in flight as a status, when `exiting`.
extern bool exiting;
extern ExitThrow status;

// The frame depth at which the innermost code that does not test the status called the
// evaluator; exits aimed below it are thrown.
extern u32 opaque_depth;

// Marks the code that runs while it lives as not testing the status.
class Opaque {
public:
    Opaque() : saved_(opaque_depth) { opaque_depth = frame::depth(); }
    ~Opaque() { opaque_depth = saved_; }
    Opaque(const Opaque&) = delete;
    Opaque& operator=(const Opaque&) = delete;

private:
    u32 saved_;
};

// Makes the root cells.
void init();

// The stacks as a catch site finds them when it opens.
struct Mark {
    u32 depth;
    Cell* top;
    Cell* base;
};
inline Mark mark() { return Mark{frame::depth(), stack::top, stack::base}; }
// Pops the frames opened since the mark and puts the stack pointers back.
inline void restore(const Mark& m) {
    frame::unwind_to(m.depth);
    stack::top = m.top;
    stack::base = m.base;
}

// Whether an exit is the one aimed at frame `index` with one of the codes.
inline bool aimed_at(const ExitThrow& t, u32 index, ThrowCode a, ThrowCode b) {
    return t.target == index && (t.code == a || t.code == b);
}

// Whether the status is an exit aimed at frame `index` with one of the codes; it is then
// taken (no longer in flight) and `status` tells what it was.
inline bool take(u32 index, ThrowCode a, ThrowCode b) {
    if (!exiting || !aimed_at(status, index, a, b)) return false;
    exiting = false;
    return true;
}

}  // namespace zel::exits

namespace zel::frame {

// Each starts an exit: it throws, or returns with the exit in flight as the status; the
// caller then returns at once.
// break (with /return when has_value: its value is the argument of the calling native)
// and continue: to the nearest loop frame below the calling native's own frame. With no
// loop, or a try/all frame first, raises throw/break or throw/continue.
void throw_break(bool has_value, bool continue_);
// return (has_value) and exit: to the nearest function body; without skip_top the calling
// native's own frame is passed over first. Raises throw/return when none is reachable.
void throw_return(bool has_value, bool skip_top);
// throw: the calling native's argument 0 (and argument 1 as its /name) to the nearest
// catch frame; raises throw/throw with the value when none is reachable.
void throw_to_catch(ThrowCode code);

}  // namespace zel::frame

namespace zel::exits {

// Raises an error! value: fills `where` (when none) with the current call's word, `near`
// (when none) with the code being evaluated and `stack` (unless it holds a block) with the
// frame depth, then throws it.
[[noreturn]] void throw_value(const Cell& err);
// Fills those fields of an error that is being raised; nothing while no frame is open.
void annotate(const Cell& err);
// The end of a run that an error escaped: the error report in the error box, titled by the
// script header's Title string, and exit status 254.
[[noreturn]] void report_uncaught(const Cell& err);

// Runs body; an error that escapes it is reported as uncaught.
template <class Body>
void catch_uncaught(Body&& body) {
    try {
        body();
    } catch (const ErrorThrow& e) {
        report_uncaught(e.value);
    }
}

}  // namespace zel::exits
