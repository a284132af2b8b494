#include "platform/posix/directory.h"

#include <unistd.h>

namespace zel::platform {

bool set_cwd(const char* path) { return chdir(path) == 0; }

}  // namespace zel::platform
