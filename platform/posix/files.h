// Files and folders by UTF-8 path: opening in the modes read and write use, 64-bit sizes
// and positions, whole reads and writes that continue after partial transfers and
// signals, folder listing, removal, renaming and modification times. Failures are
// answered plainly (-1, false) with errno telling why; the caller raises.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zel::platform {

namespace open_mode {
constexpr unsigned read = 1;    // an existing file, for reading
constexpr unsigned write = 2;   // created when missing; truncated unless append or seek
constexpr unsigned append = 4;  // writes go to the end; the file is kept
constexpr unsigned seek = 8;    // the file is kept, to be written at a position
}  // namespace open_mode

// A descriptor, or -1. Opening a folder for writing fails with EISDIR; opening one for
// reading succeeds, so readers check with is_directory_fd.
int open_file(const char* path, unsigned mode);
bool close_file(int fd);
bool is_directory_fd(int fd);

// The size of an open regular file; -1 when it has none to tell (pipes, devices).
std::int64_t file_size(int fd);
bool seek_file(int fd, std::int64_t offset);

// Reads up to `count` bytes, continuing until they came or the file ended: the bytes
// read, or -1.
std::int64_t read_bytes(int fd, void* buffer, std::size_t count);
// Reads from the position to the end, appending to `out`.
bool read_to_end(int fd, std::string& out);

// True when the path names a folder (following links).
bool is_directory(const char* path);
// True when `path` names an existing file or folder.
bool path_exists(const char* path);
// True when one new folder was made at `path`.
bool make_dir(const char* path);

struct DirEntry {
    std::string name;
    bool directory = false;
};
// The folder's entries but "." and "..", in the system's order; false when the folder
// cannot be read.
bool list_directory(const char* path, std::vector<DirEntry>& entries);

// Removes a file, or an empty folder with `directory`.
bool remove_path(const char* path, bool directory);
// Renames or moves a file or folder; an existing `to` is never replaced (false, EEXIST).
bool rename_path(const char* from, const char* to);

struct FileTime {
    std::int64_t seconds = 0;  // since 1-Jan-1970 UTC
    long nanoseconds = 0;
};
// The last modification time of the path; false when it cannot be read.
bool modified_time(const char* path, FileTime& time);

}  // namespace zel::platform
