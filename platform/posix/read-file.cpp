#include "platform/posix/read-file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zel::platform {

bool read_file(const char* path, std::string& out) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    out.clear();
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int saved = errno;
            ::close(fd);
            errno = saved;
            return false;
        }
        out.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return true;
}

}  // namespace zel::platform
