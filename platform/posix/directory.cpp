#include "platform/posix/directory.h"

#include <cerrno>
#include <unistd.h>

namespace zel::platform {

bool set_cwd(const char* path) { return chdir(path) == 0; }

bool get_cwd(std::string& out) {
    out.resize(256);
    for (;;) {
        if (::getcwd(out.data(), out.size())) {
            out.resize(std::char_traits<char>::length(out.c_str()));
            return true;
        }
        if (errno != ERANGE) return false;
        out.resize(out.size() * 2);
    }
}

std::string current_dir() {
    std::string dir;
    if (!get_cwd(dir)) return {};
    if (dir.empty() || dir.back() != '/') dir += '/';
    return dir;
}

}  // namespace zel::platform
