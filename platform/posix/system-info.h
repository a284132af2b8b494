// What the running system says of itself (uname).
#pragma once
#include <string>

namespace zel::platform {

struct SystemInfo {
    std::string name;     // the kernel name and release, "Linux 6.1.0-18-amd64"
    std::string machine;  // the hardware name, "x86_64"
    std::string release;  // "6.1.0-18-amd64"
};
SystemInfo system_info();

}  // namespace zel::platform
