#include "platform/posix/error-box.h"

#include <cstring>
#include <unistd.h>

#include "platform/posix/write-all.h"

namespace zel::platform {

void error_box(const char* caption, const char* text) {
    write_all(STDERR_FILENO, caption, std::strlen(caption));
    write_all(STDERR_FILENO, ": ", 2);
    write_all(STDERR_FILENO, text, std::strlen(text));
    write_all(STDERR_FILENO, "\n", 1);
}

}  // namespace zel::platform
