#include "platform/directory.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "runtime/memory/heap.h"

namespace zel::platform {

char* get_cwd(std::size_t* length) {
    std::size_t size = 256;
    auto* buffer = static_cast<char*>(heap::alloc(size));
    while (!getcwd(buffer, size)) {
        if (errno != ERANGE) {
            heap::free(buffer);
            return nullptr;
        }
        size *= 2;
        buffer = static_cast<char*>(heap::resize(buffer, size));
    }
    *length = std::strlen(buffer);
    return buffer;
}

bool set_cwd(const char* path) { return chdir(path) == 0; }

}  // namespace zel::platform
