#include "platform/posix/stack.h"

#include <pthread.h>

namespace zel::platform {
namespace {

StackBounds main_bounds;

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

void record_main_stack() { main_bounds = stack_bounds(); }

StackBounds main_stack() { return main_bounds.low ? main_bounds : stack_bounds(); }

}  // namespace zel::platform
