// The process's current directory, as UTF-8 paths.
#pragma once

namespace zel::platform {

// True when the current directory became `path`.
bool set_cwd(const char* path);

}  // namespace zel::platform
