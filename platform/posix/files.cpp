#include "platform/posix/files.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zel::platform {

int open_file(const char* path, unsigned mode) {
    int flags = O_CLOEXEC;
    if (mode & open_mode::read) {
        flags |= O_RDONLY;
    } else {
        flags |= O_WRONLY | O_CREAT;
        if (mode & open_mode::append) flags |= O_APPEND;
        if (!(mode & (open_mode::append | open_mode::seek))) flags |= O_TRUNC;
    }
    for (;;) {
        const int fd = ::open(path, flags, 0666);
        if (fd >= 0 || errno != EINTR) return fd;
    }
}

bool close_file(int fd) { return ::close(fd) == 0; }

bool is_directory_fd(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
}

std::int64_t file_size(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool seek_file(int fd, std::int64_t offset) { return ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) >= 0; }

std::int64_t read_bytes(int fd, void* buffer, std::size_t count) {
    auto* at = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd, at + done, count - done);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

bool read_to_end(int fd, std::string& out) {
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        out.append(chunk, static_cast<std::size_t>(n));
    }
}

bool is_directory(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool path_exists(const char* path) {
    struct stat st;
    return ::stat(path, &st) == 0;
}

bool make_dir(const char* path) { return ::mkdir(path, 0777) == 0; }

bool list_directory(const char* path, std::vector<DirEntry>& entries) {
    DIR* dir = ::opendir(path);
    if (!dir) return false;
    const int dir_fd = ::dirfd(dir);
    for (;;) {
        errno = 0;
        const dirent* e = ::readdir(dir);
        if (!e) break;
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        bool folder = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            // A link to a folder lists as a folder, as it opens as one.
            struct stat st;
            folder = ::fstatat(dir_fd, e->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({name, folder});
    }
    const bool ok = errno == 0;
    ::closedir(dir);
    return ok;
}

bool remove_path(const char* path, bool directory) { return (directory ? ::rmdir(path) : ::unlink(path)) == 0; }

bool rename_path(const char* from, const char* to) {
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace rename: test first (a file made in between
    // is the one case left to chance).
    struct stat st;
    if (::lstat(to, &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from, to) == 0;
}

bool modified_time(const char* path, FileTime& time) {
    struct stat st;
    if (::stat(path, &st) != 0) return false;
    time.seconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    time.nanoseconds = st.st_mtim.tv_nsec;
    return true;
}

}  // namespace zel::platform
