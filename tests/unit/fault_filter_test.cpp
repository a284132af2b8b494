#include "boot/fault-filter.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdint>
#include <string>

#include "runtime/memory/fatal.h"

namespace zel {
namespace {

using ::testing::ExitedWithCode;

// The faults are provoked in machine code, where the sanitizers cannot step in first.
int divide(int a, int b) {
    int quotient;
    asm volatile("cltd\n\tidivl %2" : "=a"(quotient) : "a"(a), "r"(b) : "edx", "cc");
    return quotient;
}

int load(std::uintptr_t address) {
    int value;
    asm volatile("movl (%1), %0" : "=r"(value) : "r"(address) : "memory");
    return value;
}

void illegal() { asm volatile("ud2"); }

// Each frame keeps a buffer the compiler cannot drop, so the recursion reaches the guard.
int recurse(int depth) {
    volatile char frame[4096];
    frame[0] = static_cast<char>(depth);
    if (depth == INT32_MAX) return 0;
    return recurse(depth + 1) + frame[0];
}

void start() { process::init(); }

std::string report(int code, const char* message) {
    return std::string("^Zel App Error: \\*\\*\\* Runtime Error ") + std::to_string(code) + ": " + message +
           "\n\\*\\*\\* at: [0-9A-F]{8}h\n$";
}

TEST(FaultFilterDeathTest, FaultsEndWithTheirRuntimeError) {
    EXPECT_EXIT({ start(); load(16); }, ExitedWithCode(1), report(1, "access violation"));
    EXPECT_EXIT({ start(); divide(1, 0); }, ExitedWithCode(13), report(13, "integer divide by zero"));
    // x86 reports the overflowing division as a division by zero.
    EXPECT_EXIT({ start(); divide(INT32_MIN, -1); }, ExitedWithCode(13), report(13, "integer divide by zero"));
    EXPECT_EXIT({ start(); illegal(); }, ExitedWithCode(17), report(17, "illegal instruction"));
    EXPECT_EXIT({ start(); recurse(0); }, ExitedWithCode(19), report(19, "stack error or overflow"));
}

TEST(FaultFilterDeathTest, AnInterruptIsNotASuccess) {
    EXPECT_EXIT({ start(); std::raise(SIGINT); }, ExitedWithCode(process::interrupt_status), "^$");
}

TEST(FaultFilter, SignalsMapToTheErrorTable) {
    process::StackBounds stack{0x7F0000000000, 0x7F0000800000};
    struct Case {
        int signal;
        int code;
        std::uintptr_t address;
        int error;
    } cases[] = {
        {SIGSEGV, SEGV_MAPERR, 0, fatal::access_violation},
        {SIGSEGV, SEGV_ACCERR, 0x1000, fatal::access_violation},
        {SIGSEGV, SEGV_MAPERR, stack.low - 8, fatal::stack_overflow},
        {SIGSEGV, SEGV_MAPERR, stack.low - process::stack_guard_size, fatal::stack_overflow},
        {SIGSEGV, SEGV_MAPERR, stack.low - process::stack_guard_size - 1, fatal::access_violation},
        {SIGSEGV, SEGV_ACCERR, stack.low, fatal::access_violation},
        {SIGBUS, BUS_ADRALN, 0, fatal::bus_error},
        {SIGILL, ILL_ILLOPC, 0, fatal::illegal_instruction},
        {SIGFPE, FPE_INTDIV, 0, fatal::integer_divide_by_zero},
        {SIGFPE, FPE_INTOVF, 0, fatal::integer_overflow},
        {SIGFPE, FPE_FLTDIV, 0, fatal::float_divide_by_zero},
        {SIGFPE, FPE_FLTINV, 0, fatal::float_invalid_operation},
        {SIGFPE, FPE_FLTUND, 0, fatal::float_underflow},
        {SIGFPE, 0, 0, fatal::fpu_error},
        {SIGTRAP, TRAP_BRKPT, 0, fatal::breakpoint},
        {SIGUSR1, 0, 0, fatal::unknown_error},
    };
    for (const Case& c : cases)
        EXPECT_EQ(process::fault_error(c.signal, c.code, c.address, stack), c.error)
            << c.signal << " " << c.code << " " << std::hex << c.address;
}

TEST(FatalReport, TextOfKnownAndUnknownCodes) {
    char text[256];
    fatal::format_report(text, sizeof text, 13, 0x123456789ABCDEF0);
    EXPECT_STREQ(text, "*** Runtime Error 13: integer divide by zero\n*** at: 9ABCDEF0h");
    fatal::format_report(text, sizeof text, 97, 0x42);
    EXPECT_STREQ(text, "*** Runtime Error 97: unknown error code!\n*** at: 00000042h");
    fatal::format_report(text, sizeof text, 6, 0);
    EXPECT_STREQ(text, "*** Runtime Error 6: float denormal operan\n*** at: 00000000h");
    // A buffer too small cuts the report and still ends it.
    EXPECT_EQ(fatal::format_report(text, 10, 94, 0), 9u);
    EXPECT_STREQ(text, "*** Runti");
}

TEST(FatalDeathTest, ExitWithErrorReportsAndExitsWithTheCode) {
    EXPECT_EXIT(fatal::exit_with_error(94, 0xDEADBEEF), ExitedWithCode(94),
                "^Zel App Error: \\*\\*\\* Runtime Error 94: out of memory\n\\*\\*\\* at: DEADBEEFh\n$");
    EXPECT_EXIT(fatal::exit_with_error(0), ExitedWithCode(0), "^$");
}

}  // namespace
}  // namespace zel
