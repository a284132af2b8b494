#include "runtime/memory/fatal.h"

#include <cstdio>
#include <cstdlib>

#include "runtime/memory/heap.h"

namespace zel::fatal {

const char* message(int code) {
    switch (code) {
#define ZEL_FATAL(code, text) \
    case code:                \
        return text;
#include "runtime/memory/fatal-errors.def"
#undef ZEL_FATAL
    default:
        return "unknown error code!";
    }
}

void exit_with_error(int code, std::uintptr_t address) {
    if (code != 0) {
        std::fprintf(stderr, "Zel App Error: *** Runtime Error %d: %s\n*** at: %08Xh\n", code, message(code),
                     static_cast<unsigned>(address));
    }
    heap::free_all();
    std::_Exit(code);
}

}  // namespace zel::fatal
