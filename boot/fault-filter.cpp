#include "boot/fault-filter.h"

#include <climits>
#include <csignal>
#include <ucontext.h>
#include <unistd.h>

#include "runtime/memory/fatal.h"

namespace zel::process {
namespace {

constexpr int any_code = INT_MIN;

struct SignalFault {
    int signal;
    int code;  // si_code, or any_code
    int error;
};

// Searched in order: the first row matching the signal and its code gives the error.
constexpr SignalFault signal_faults[] = {
    {SIGSEGV, any_code, fatal::access_violation},
    {SIGBUS, any_code, fatal::bus_error},
    {SIGILL, any_code, fatal::illegal_instruction},
    {SIGTRAP, any_code, fatal::breakpoint},
    {SIGFPE, FPE_INTDIV, fatal::integer_divide_by_zero},
    {SIGFPE, FPE_INTOVF, fatal::integer_overflow},
    {SIGFPE, FPE_FLTDIV, fatal::float_divide_by_zero},
    {SIGFPE, FPE_FLTOVF, fatal::float_overflow},
    {SIGFPE, FPE_FLTUND, fatal::float_underflow},
    {SIGFPE, FPE_FLTRES, fatal::float_inexact_result},
    {SIGFPE, FPE_FLTINV, fatal::float_invalid_operation},
    {SIGFPE, FPE_FLTSUB, fatal::bounds_exceeded},
    {SIGFPE, any_code, fatal::fpu_error},
};

// Large enough for the handler under the sanitizers too.
alignas(16) char alternate_stack[1 << 16];

std::uintptr_t instruction_address([[maybe_unused]] const siginfo_t* info, [[maybe_unused]] const void* context) {
#if defined(__x86_64__)
    return static_cast<std::uintptr_t>(static_cast<const ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#else
    return reinterpret_cast<std::uintptr_t>(info->si_addr);
#endif
}

void on_fault(int signal, siginfo_t* info, void* context) {
    int error = fault_error(signal, info->si_code, reinterpret_cast<std::uintptr_t>(info->si_addr), state.stack);
    fatal::exit_from_signal(error, instruction_address(info, context));
}

void on_interrupt(int) { _exit(interrupt_status); }

void install(int signal, void (*handler)(int, siginfo_t*, void*)) {
    struct sigaction action {};
    action.sa_sigaction = handler;
    // A fault inside the handler takes the default action instead of looping.
    action.sa_flags = static_cast<int>(SA_SIGINFO | SA_ONSTACK | SA_RESETHAND);
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

}  // namespace

int fault_error(int signal, int code, std::uintptr_t address, StackBounds stack) {
    if (signal == SIGSEGV && stack.low != 0 && address < stack.low && address >= stack.low - stack_guard_size)
        return fatal::stack_overflow;
    for (const SignalFault& f : signal_faults)
        if (f.signal == signal && (f.code == any_code || f.code == code)) return f.error;
    return fatal::unknown_error;
}

void install_fault_filter() {
    stack_t alternate{};
    alternate.ss_sp = alternate_stack;
    alternate.ss_size = sizeof alternate_stack;
    sigaltstack(&alternate, nullptr);
    for (const SignalFault& f : signal_faults) install(f.signal, on_fault);
    struct sigaction interrupt {};
    interrupt.sa_handler = on_interrupt;
    sigemptyset(&interrupt.sa_mask);
    sigaction(SIGINT, &interrupt, nullptr);
}

}  // namespace zel::process
