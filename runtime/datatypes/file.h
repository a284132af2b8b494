// file!'s side of the operating system: a path as the system takes it, and what `read`,
// `write`, `size?` and `to-local-file` share.
#pragma once
#include <cstring>
#include <string>

#include "runtime/core/cell.h"
#include "runtime/datatypes/block.h"

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

// The lines of `n` bytes as `read/lines` gives them, a block holding `line(start, count)`
// for each: a line ends at LF, a CR just before the LF is dropped, and text after the
// last LF is a last line.
template <class MakeLine>
Cell split_lines(const u8* bytes, std::size_t n, MakeLine line) {
    Cell lines;
    block::make_at(&lines, 16);
    std::size_t start = 0;
    while (start < n) {
        const void* lf = std::memchr(bytes + start, '\n', n - start);
        const std::size_t end = lf ? static_cast<std::size_t>(static_cast<const u8*>(lf) - bytes) : n;
        std::size_t stop = end;
        if (lf && stop > start && bytes[stop - 1] == '\r') --stop;
        block::append_value(lines, line(bytes + start, stop - start));
        start = end + 1;
    }
    return lines;
}

}  // namespace zel::file
