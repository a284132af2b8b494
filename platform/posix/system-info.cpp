#include "platform/posix/system-info.h"

#include <sys/utsname.h>

namespace zel::platform {

SystemInfo system_info() {
    struct utsname u;
    if (uname(&u) != 0) return {"Linux", "", ""};
    return {std::string(u.sysname) + " " + u.release, u.machine, u.release};
}

}  // namespace zel::platform
