// file!'s side of the operating system: a path as the system takes it, and what `read`,
// `write`, `size?` and `to-local-file` share.
#pragma once
#include <string>

#include "runtime/core/cell.h"

namespace zel::file {

// The UTF-8 path a file! or string! names from its position. A path holding a NUL
// character names no file: it raises access/cannot-open with the value, so that a
// shorter path is never opened in its place.
std::string os_path(const Cell& path);

// The path in the system's own notation, as a string!: the text itself, with `full` the
// current directory and "/" before a relative path.
Cell local_path(const Cell& path, bool full);

// True when the text names a folder: it ends in "/" or "\", is "." or "..", or ends in
// "/.", "\.", "/.." or "\..".
bool dir_path(const Cell& path);

}  // namespace zel::file
