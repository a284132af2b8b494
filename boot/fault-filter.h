// The fault filter: processor faults arrive as signals and end the process with the
// runtime error of their kind. The handlers run on an alternate signal stack, so that a
// stack overflow can still be reported, and allocate nothing. A console interrupt ends the
// process quietly with status 130: an interrupted run is not a success.
#pragma once
#include <cstdint>

#include "boot/process.h"

namespace zel::process {

constexpr int interrupt_status = 130;

// Below the stack's lowest address the system keeps a guard gap; a fault there is a
// stack overflow.
constexpr std::uintptr_t stack_guard_size = 1u << 20;

// The runtime error of a fault: the signal, its si_code, the faulting data address and the
// main thread's stack.
int fault_error(int signal, int code, std::uintptr_t address, StackBounds stack);

void install_fault_filter();

}  // namespace zel::process
