// The process's current directory and the few file-system questions the library's
// routines ask of it, as UTF-8 paths.
#pragma once
#include <string>

namespace zel::platform {

// The current directory, ending in '/'; empty when the system cannot tell it.
std::string current_dir();

// True when one new directory was made at `path`.
bool make_dir(const char* path);

// True when `path` names an existing file or directory.
bool path_exists(const char* path);

// What uname tells of the running system.
struct SystemInfo {
    std::string name;     // the kernel name and release, "Linux 6.1.0-18-amd64"
    std::string machine;  // the hardware name, "x86_64"
    std::string release;  // "6.1.0-18-amd64"
};
SystemInfo system_info();

}  // namespace zel::platform
