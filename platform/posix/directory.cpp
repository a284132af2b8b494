#include "platform/posix/directory.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include <vector>

namespace zel::platform {

std::string get_cwd() {
    std::vector<char> path(256);
    while (!getcwd(path.data(), path.size())) {
        if (errno != ERANGE) return {};
        path.resize(path.size() * 2);
    }
    return path.data();
}

bool set_cwd(const char* path) { return chdir(path) == 0; }

}  // namespace zel::platform
