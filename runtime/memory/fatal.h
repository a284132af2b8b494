// Fatal runtime errors: numbered faults that end the process with a report
// "*** Runtime Error %d: %s\n*** at: %08Xh" shown in an error box, the tracked heap freed,
// and the error number as the exit status.
#pragma once
#include <cstddef>
#include <cstdint>

namespace zel::fatal {

enum Code : int {
    access_violation = 1,
    breakpoint = 3,
    bounds_exceeded = 5,
    float_divide_by_zero = 7,
    float_inexact_result = 8,
    float_invalid_operation = 9,
    float_overflow = 10,
    float_underflow = 12,
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

constexpr const char* caption = "Zel App Error";

// The message of a runtime error number ("unknown error code!" for a number without one).
const char* message(int code);

// Writes the report of an error into out (always NUL-terminated, cut to fit) and returns
// its length. Allocates nothing: usable in a signal handler.
std::size_t format_report(char* out, std::size_t capacity, int code, std::uintptr_t address);

// Ends the process: code 0 quietly, any other with the report; frees the tracked heap and
// exits with the code as status.
[[noreturn]] void exit_with_error(int code, std::uintptr_t address = 0);

// The same from a signal handler: the report, then _exit. The heap is left to the system,
// since the fault may have struck inside it.
[[noreturn]] void exit_from_signal(int code, std::uintptr_t address);

}  // namespace zel::fatal
