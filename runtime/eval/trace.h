// Interpreter tracing: while a trace callback is installed (do/trace), the interpreter
// reports each step of the evaluation to it as an event. Every emission point tests one
// flag, `active`, first; nothing else is done while it is clear. The evaluator's calling
// path also has a form without these tests, which blocks take while no callback is
// installed.
//
// The switch is the conjunction of four things, kept apart so that each can be put back
// on its own: a callback is installed; the user has tracing on (the trace and no-trace
// attributes of functions set and clear it for their bodies); no callback made by the
// runtime is running with tracing off for it (the trace callback itself, a sort
// comparator, a change hook... unless enabled in system/state/callbacks/bits); and the
// code running is not the body of a library function (one made while the library
// loaded), whose insides stay hidden while the user code it calls is traced again.
#pragma once
#include "runtime/core/cell.h"
#include "runtime/datatypes/function.h"

namespace zel::trace {

// The events, by flag.
namespace event {
constexpr u32 init = 1;
constexpr u32 end = 2;
constexpr u32 prolog = 4;
constexpr u32 epilog = 8;
constexpr u32 enter = 16;
constexpr u32 exit = 32;
constexpr u32 open = 64;
constexpr u32 return_ = 128;
constexpr u32 fetch = 256;
constexpr u32 push = 512;
constexpr u32 set = 1024;
constexpr u32 call = 2048;
constexpr u32 error = 4096;
constexpr u32 throw_ = 8192;
constexpr u32 catch_ = 0x4000;
constexpr u32 expr = 0x8000;
}  // namespace event

// The mask of a callback that names no events: every event.
constexpr u32 all_events = 0x1FFFF;

// Whether events are passed on now.
extern bool active;
// Whether blocks need the watched evaluation: tracing is on or library code runs.
extern bool watching;

// The function flags that decide whether a call's body changes the tracing state.
constexpr u32 body_flags = function::flag::trace | function::flag::no_trace | function::flag::library;
// What a function's flags (masked by body_flags) equal when its body can run as it stands:
// the library flag while a library body runs, none otherwise; while tracing, a bit that no
// masked header has, so that every body takes the traced run. A call tests this one word.
extern u32 body_expect;
constexpr u32 body_traced = 1;
static_assert(!(body_traced & body_flags));

// What the switch is made of; a guard saves it whole and puts it back.
struct State {
    bool installed;   // a callback is installed
    bool user_on;     // tracing as the user's code has it
    bool quiet;       // a runtime callback runs with tracing off
    bool in_library;  // a library function's body runs
};
extern State state;
// The pause switch of `trace false` / `trace true`: kept apart from `state`, which the
// scopes of function bodies put back, so that it outlives the call that sets it. A new
// trace starts unpaused.
extern bool resumed;

inline void update() {
    active = state.installed && state.user_on && resumed && !state.quiet && !state.in_library;
    watching = active || state.in_library;
    body_expect = (state.in_library ? function::flag::library : 0) | (active ? body_traced : 0);
}

// Makes the root cell holding the callback.
void init();

// The event mask of a callback: the OR of the event words of the block its body starts
// with, else every event.
u32 mask_of(const Cell& callback);

// Passes one event to the callback when its flag is in the mask: the code block `code`
// (0: none) and the position `index` in it, the value and the reference (null: none).
// The callback runs with tracing off; an error or exit it raises goes on from here.
void pass(u32 flag, Node code, u32 index, const Cell* value, const Cell* ref);

inline void emit(u32 flag, Node code, u32 index, const Cell* value = nullptr, const Cell* ref = nullptr) {
    if (active) [[unlikely]]
        pass(flag, code, index, value, ref);
}
// An event at the current position (the block being evaluated and its expression).
void pass_here(u32 flag, const Cell* value, const Cell* ref);
inline void emit_here(u32 flag, const Cell* value = nullptr, const Cell* ref = nullptr) {
    if (active) [[unlikely]]
        pass_here(flag, value, ref);
}

// Installs the callback and switches tracing on; false (nothing done) when a callback is
// installed already.
bool start(const Cell& callback);
// Removes the callback and switches tracing off.
void stop();

// Pauses (false) or resumes (true) the events of the running trace; nothing changes while
// no callback is installed.
void switch_events(bool on);

// Whether tracing is switched on, as the user's code sees it: a callback is installed and
// the user has tracing on, outside the callback's own run.
bool user_visible();

// Saves the whole state and puts it back when it ends.
class Saved {
public:
    Saved() : saved_(state) {}
    ~Saved() {
        state = saved_;
        update();
    }
    Saved(const Saved&) = delete;
    Saved& operator=(const Saved&) = delete;

private:
    State saved_;
};

// A runtime callback of a class (a bit of system/state/callbacks/bits): traced only when
// that bit is set, while it lives.
class CallbackScope : Saved {
public:
    explicit CallbackScope(u32 callback_class);
};

// The body of a function with attribute flags `header`: applies its trace and no-trace
// attributes and the library flag while it lives.
class BodyScope : Saved {
public:
    explicit BodyScope(u32 header);
};

// A block of library code (`library`), or of the user's code run from library code.
class CodeScope : Saved {
public:
    explicit CodeScope(bool library) {
        state.in_library = library;
        update();
    }
};

// Whether a function's body runs in a BodyScope, or with its prolog and epilog events: an
// attribute, a library function called from user code, user code called from a library
// function, or tracing on.
inline bool body_watched(u32 header) { return ((header & body_flags) ^ body_expect) != 0; }

}  // namespace zel::trace
