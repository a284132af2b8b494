// The process's current directory, as UTF-8 paths.
#pragma once
#include <cstddef>

namespace zel::platform {

// The current directory in a new tracked-heap buffer that the caller frees; its length
// without the terminator goes to *length. Null when the system cannot tell it.
char* get_cwd(std::size_t* length);

// True when the current directory became `path`.
bool set_cwd(const char* path);

}  // namespace zel::platform
