#include "platform/posix/environment.h"

#include <cstdlib>
#include <cstring>

namespace zel::platform {

bool set_env_var(const char* name, const char* value) {
    if (!value) return unsetenv(name) == 0;
    return setenv(name, value, 1) == 0;
}

std::size_t get_env_var(const char* name, char* buffer, std::size_t size) {
    const char* value = std::getenv(name);
    if (!value) return 0;
    std::size_t length = std::strlen(value);
    if (length + 1 > size) return length + 1;
    std::memcpy(buffer, value, length + 1);
    return length;
}

}  // namespace zel::platform
