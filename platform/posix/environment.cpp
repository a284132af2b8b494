#include "platform/posix/environment.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace zel::platform {

bool get_env(const char* name, std::string& out) {
    const char* value = std::getenv(name);
    if (!value) return false;
    out = value;
    return true;
}

bool set_env(const char* name, const char* value) {
    if (!*name || std::strchr(name, '=')) {
        errno = EINVAL;
        return false;
    }
    return (value ? ::setenv(name, value, 1) : ::unsetenv(name)) == 0;
}

std::vector<std::pair<std::string, std::string>> environment() {
    std::vector<std::pair<std::string, std::string>> pairs;
    if (!environ) return pairs;
    for (char** e = environ; *e; ++e) {
        const char* entry = *e;
        const char* split = *entry ? std::strchr(entry + 1, '=') : nullptr;
        if (!split) {
            pairs.emplace_back(entry, "");
            continue;
        }
        pairs.emplace_back(std::string(entry, split), std::string(split + 1));
    }
    return pairs;
}

}  // namespace zel::platform
