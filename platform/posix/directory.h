// The process's current directory, as UTF-8 paths.
#pragma once
#include <string>

namespace zel::platform {

// True when the current directory became `path`.
bool set_cwd(const char* path);
// True with the current directory's absolute path in `out`.
bool get_cwd(std::string& out);
// The current directory ending in '/'; empty when the system cannot tell it.
std::string current_dir();

}  // namespace zel::platform
