// Thread stacks: the address range of the calling thread's stack, and the main thread's as
// recorded at start-up (the collector scans it, the interpreter bounds its recursion by it).
#pragma once
#include <cstdint>

namespace zel::platform {

struct StackBounds {
    std::uintptr_t low = 0;   // lowest usable address
    std::uintptr_t high = 0;  // one past the highest
};

// The calling thread's stack range as the system reports it; empty when it cannot tell.
StackBounds stack_bounds();

// Records the main thread's range as the main stack; called first thing at start-up, on the
// main thread.
void record_main_stack();
// The recorded main stack, or the calling thread's when none was recorded.
StackBounds main_stack();

}  // namespace zel::platform
