#include "platform/posix/stack.h"

#include <pthread.h>
#include <sys/auxv.h>
#include <sys/resource.h>

#include <cstring>

#include "platform/posix/pages.h"

// glibc's record of the stack pointer the process was entered with.
extern "C" void* __libc_stack_end;

namespace zel::platform {
namespace {

StackBounds main_bounds;

// The main thread's range as the system would report it, without its report, which reads
// /proc/self/maps at every start-up. The kernel copies the program's file name (AT_EXECFN)
// last onto a new stack, ending one pointer below the stack's top; the stack may grow to
// the size limit below that top, and the range starts at the page above the entry stack
// pointer. When the file name does not end there, or the limit is unlimited or larger than
// the gap the kernel leaves below the stack (128 MB at least), the system is asked.
StackBounds entry_stack_bounds() {
    constexpr rlim_t smallest_gap = rlim_t{128} << 20;
    rlimit limit{};
    const auto* name = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
    if (!name || getrlimit(RLIMIT_STACK, &limit) != 0 || limit.rlim_cur >= smallest_gap) return stack_bounds();
    const std::uintptr_t page = page_size();
    const std::uintptr_t top = reinterpret_cast<std::uintptr_t>(name) + std::strlen(name) + 1 + sizeof(void*);
    const std::uintptr_t high = (reinterpret_cast<std::uintptr_t>(__libc_stack_end) & ~(page - 1)) + page;
    if (top % page != 0 || high > top || top - high >= limit.rlim_cur) return stack_bounds();
    const std::uintptr_t size = (limit.rlim_cur - (top - high)) & ~(page - 1);
    return {high - size, high};
}

}  // namespace

StackBounds stack_bounds() {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return {};
    void* address = nullptr;
    std::size_t size = 0;
    pthread_attr_getstack(&attr, &address, &size);
    pthread_attr_destroy(&attr);
    auto low = reinterpret_cast<std::uintptr_t>(address);
    return {low, low + size};
}

void record_main_stack() { main_bounds = entry_stack_bounds(); }

StackBounds main_stack() { return main_bounds.low ? main_bounds : stack_bounds(); }

}  // namespace zel::platform
