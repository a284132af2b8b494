// The process: the runtime state record set up before anything else (the command-line
// arguments copied to the tracked heap, the main thread's stack, the standard handles, the
// fault record), the outermost catch that ends every run, and the orderly exit. Nothing of
// the runtime may be used after process::exit, which frees the tracked heap.
#pragma once
#include <cstdint>
#include <string>

#include "platform/posix/stack.h"
#include "runtime/core/throw.h"

namespace zel::process {

using platform::StackBounds;

// Stack and frame pointers of the last fault, saved by the fault filter.
struct FaultRecord {
    std::uintptr_t stack_pointer = 0;
    std::uintptr_t frame_pointer = 0;
};

struct State {
    int argc = 0;
    char** argv = nullptr;  // tracked heap: argc UTF-8 strings and a terminating null
    StackBounds stack;
    FaultRecord fault;
    int std_input = 0;
    int std_output = 1;
    int std_error = 2;
};

extern State state;

// First call of the entry: records the main thread's stack, installs the fault filter,
// records the standard handles and copies the arguments.
void init(int argc, const char* const* argv);

// The raw command-line text of argv: the arguments separated by single spaces, an
// argument that is empty or holds white space or a double quote wrapped in double quotes.
std::string command_line(int argc, const char* const* argv);

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
