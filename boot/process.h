// The process: the runtime state record set up before anything else (the main thread's
// stack), the outermost catch that ends every run, and the orderly exit. Nothing of
// the runtime may be used after process::exit, which frees the tracked heap.
#pragma once
#include "platform/posix/stack.h"
#include "runtime/core/throw.h"

namespace zel::process {

using platform::StackBounds;

// The command line as main received it.
struct Arguments {
    int count = 0;
    char** values = nullptr;
};

struct State {
    StackBounds stack;
    Arguments arguments;
};

extern State state;

// First call of the entry: records the main thread's stack and installs the fault filter.
void init();
// Keeps the command-line arguments for the start-up (the `system` object's options).
void record_arguments(int count, char** values);

// The orderly end: frees the tracked heap.
void exit();

// Handler of the outermost catch: quit ends the process with status 0, any other code
// reaching it with runtime error 95.
[[noreturn]] void outermost_catch(const Throw& t);

// Runs the program inside the outermost catch.
template <class Body>
void run(Body&& body) {
    try {
        body();
    } catch (const Throw& t) {
        outermost_catch(t);
    }
}

}  // namespace zel::process
