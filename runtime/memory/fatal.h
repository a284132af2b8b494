// Fatal runtime errors: numbered faults that end the process with a report
// "*** Runtime Error %d: %s\n*** at: %08Xh" shown in an error box, the tracked heap freed,
// and the error number as the exit status.
#pragma once
#include <cstdint>

namespace zel::fatal {

enum Code : int {
    access_violation = 1,
    integer_divide_by_zero = 13,
    integer_overflow = 14,
    illegal_instruction = 17,
    stack_overflow = 19,
    segmentation_fault = 32,
    fpu_error = 33,
    bus_error = 34,
    out_of_memory = 94,
    no_catch_for_throw = 95,
    assertion_failed = 98,
    unknown_error = 99,
    no_case_match = 100,
    no_switch_match = 101,
};

// The message of a runtime error number ("unknown error code!" for a number without one).
const char* message(int code);

// Ends the process: code 0 quietly, any other with the report; frees the tracked heap and
// exits with the code as status. Safe to call from a signal handler only through
// exit_from_signal.
[[noreturn]] void exit_with_error(int code, std::uintptr_t address = 0);

}  // namespace zel::fatal
