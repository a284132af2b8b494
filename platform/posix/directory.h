// The process's current directory, as UTF-8 paths.
#pragma once
#include <string>

namespace zel::platform {

// The current directory; empty when the system cannot tell it.
std::string get_cwd();

// True when the current directory became `path`.
bool set_cwd(const char* path);

}  // namespace zel::platform
