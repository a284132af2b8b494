#include "platform/posix/open-with.h"

#include <cerrno>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace zel::platform {

OpenWith open_with_desktop(const char* target) {
    char program[] = "xdg-open";
    char* argv[] = {program, const_cast<char*>(target), nullptr};
    pid_t pid = 0;
    const int e = ::posix_spawnp(&pid, program, nullptr, nullptr, argv, environ);
    if (e == ENOENT) return OpenWith::no_opener;
    if (e != 0) return OpenWith::failed;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return OpenWith::failed;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return OpenWith::no_opener;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? OpenWith::started : OpenWith::failed;
}

}  // namespace zel::platform
