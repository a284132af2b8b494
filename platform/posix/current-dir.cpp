#include "platform/posix/current-dir.h"

#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace zel::platform {

std::string current_dir() {
    std::vector<char> buffer(256);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
    std::string dir(buffer.data());
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

bool make_dir(const char* path) { return mkdir(path, 0777) == 0; }

bool path_exists(const char* path) {
    struct stat info;
    return stat(path, &info) == 0;
}

SystemInfo system_info() {
    struct utsname u;
    if (uname(&u) != 0) return {"Linux", "", ""};
    return {std::string(u.sysname) + " " + u.release, u.machine, u.release};
}

}  // namespace zel::platform
