// file!: a path held as its decoded characters. Formed it is that text; molded it is "%"
// and the text, quoted when a character would end or break the literal. Its actions reach
// the files and folders the path names: read, write, query, delete and rename.
#include "runtime/datatypes/file.h"

#include <algorithm>
#include <cstring>

#include "platform/posix/directory.h"
#include "platform/posix/files.h"
#include "platform/posix/write-all.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/date.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/lexer/lexer-text.h"
#include "runtime/datatypes/string.h"
#include "runtime/datatypes/word.h"
#include "runtime/memory/buffer.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/text/percent-coding.h"
#include "runtime/text/string-utf8.h"

namespace zel::file {

std::string os_path(const Cell& path) {
    std::string result = unicode::utf8_of(path);
    if (result.find('\0') != std::string::npos) raise(ErrorId::access_cannot_open, &path);
    return result;
}

Cell local_path(const Cell& path, bool full) {
    Output out;
    const u32 length = chars_from_position(path);
    if (full && (length == 0 || char_at(path, 0) != '/')) {
        std::string cwd;
        if (platform::get_cwd(cwd)) {
            const Cell dir = unicode::string_of_utf8(cwd);
            const u32 dir_length = chars_from_position(dir);
            for (u32 i = 0; i < dir_length; ++i) out.append_char(char_at(dir, i));
            if (dir_length == 0 || char_at(dir, dir_length - 1) != '/') out.append_char('/');
        }
    }
    for (u32 i = 0; i < length; ++i) out.append_char(char_at(path, i));
    return out.value();
}

bool dir_path(const Cell& path) {
    const u32 n = chars_from_position(path);
    const auto at = [&](u32 back) { return n >= back ? char_at(path, n - back) : 0u; };
    const auto slash = [](u32 c) { return c == '/' || c == '\\'; };
    if (n == 0) return false;
    if (slash(at(1))) return true;
    if (at(1) != '.') return false;
    // "." or "x/."; ".." or "x/..".
    if (n == 1 || slash(at(2))) return true;
    return at(2) == '.' && (n == 2 || slash(at(3)));
}

namespace {

// The ASCII characters a file literal holds unquoted: letters, digits and the
// punctuation of URLs. Characters of 127 and above never need quotes.
bool plain(u32 c) { return c >= 127 || percent::url_char(c); }

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    out.append_char('%');
    --limit;
    const u32 length = chars_from_position(*value);
    if (length == 0) return append_text(out, "\"\"", limit);
    bool quoted = false;
    for (u32 i = 0; i < length && !quoted; ++i) quoted = !plain(char_at(*value, i));
    if (quoted) out.append_char('"');
    u32 count = length;
    if (has_part(part) && part->w2 != 0) count = std::min(count, static_cast<u32>(std::max(limit, 0)));
    for (u32 i = 0; i < count; ++i) out.append_char(char_at(*value, i));
    if (quoted) out.append_char('"');
    return limit - static_cast<i32>(count);
}

[[noreturn]] void cannot_open(const Cell& file) { raise(ErrorId::access_cannot_open, &file); }

// An open descriptor, closed on every way out.
struct Descriptor {
    int fd;
    explicit Descriptor(int f) : fd(f) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd >= 0) platform::close_file(fd);
    }
    // Closes now, answering whether the system reported the file complete.
    bool close() {
        const bool ok = platform::close_file(fd);
        fd = -1;
        return ok;
    }
};

// The integer argument of /part or /seek; any other value raises
// script/invalid-refine-arg naming the refinement.
i64 count_arg(const Cell* arg, const char* refinement) {
    if (!arg) return -1;
    if (!arg->is(Type::integer)) {
        const Cell name = word::make_global(refinement);
        raise(ErrorId::script_invalid_refine_arg, &name, arg);
    }
    return as_integer(*arg).value;
}

Cell text_of(const u8* bytes, std::size_t n) {
    return unicode::string_of_utf8(std::string_view(reinterpret_cast<const char*>(bytes), n));
}

Cell value_of(const u8* bytes, std::size_t n, const ReadRefinements& r) {
    if (r.binary) return lexer::make_bytes(Type::binary, bytes, static_cast<u32>(n));
    if (r.lines) return split_lines(bytes, n, text_of);
    return text_of(bytes, n);
}

void check_size(i64 n) {
    if (n > static_cast<i64>(max_series_bytes)) raise(ErrorId::script_too_long);
}

// The folder's entries as file! values, folders ending in "/". "%/" is the root folder.
Cell read_dir(const Cell& file) {
    std::string path = os_path(file);
    if (!path.empty() && path.back() == '.') path += '/';
    std::vector<platform::DirEntry> entries;
    if (!platform::list_directory(path.c_str(), entries)) cannot_open(file);
    Cell list;
    block::make_at(&list, static_cast<i32>(entries.size()));
    for (platform::DirEntry& e : entries) {
        if (e.directory) e.name += '/';
        block::append_value(list, unicode::string_of_utf8(e.name, Type::file));
    }
    return list;
}

// The file whole, or `part` bytes from `seek`. A file that tells no size (a pipe, a
// device, a file of the system's own) is read to its end and cut afterwards, so nothing
// depends on rewinding it.
Cell read_file(const Cell& file, const ReadRefinements& r) {
    const i64 part = count_arg(r.part, "part");
    const i64 seek = count_arg(r.seek, "seek");
    const std::string path = os_path(file);
    Descriptor d(platform::open_file(path.c_str(), platform::open_mode::read));
    if (d.fd < 0 || platform::is_directory_fd(d.fd)) cannot_open(file);
    i64 size = platform::file_size(d.fd);
    if (size <= 0) {
        std::string bytes;
        if (!platform::read_to_end(d.fd, bytes)) cannot_open(file);
        const i64 total = static_cast<i64>(bytes.size());
        const i64 from = std::min(std::max<i64>(seek, 0), total);
        i64 n = total - from;
        if (part >= 0 && part < n) n = part;
        check_size(n);
        return value_of(reinterpret_cast<const u8*>(bytes.data()) + from, static_cast<std::size_t>(n), r);
    }
    if (seek >= 0) {
        if (seek >= size) size = 0;
        else if (!platform::seek_file(d.fd, seek)) cannot_open(file);
        else size -= seek;
    }
    if (part >= 0 && part < size) size = part;
    check_size(size);
    if (r.binary) {
        // Straight into the binary's buffer: nothing allocates while it is filled.
        const Node node = memory::alloc_bytes(static_cast<u32>(size));
        const Cell result{header_of(Type::binary), 0, node, 0};
        Buffer* b = node::buffer(node);
        const i64 got = platform::read_bytes(d.fd, b->head_ptr(), static_cast<std::size_t>(size));
        if (got < 0) cannot_open(file);
        b->tail = b->head + static_cast<u32>(got);
        return result;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    const i64 got = platform::read_bytes(d.fd, bytes.data(), bytes.size());
    if (got < 0) cannot_open(file);
    return value_of(reinterpret_cast<const u8*>(bytes.data()), static_cast<std::size_t>(got), r);
}

Cell* read(Cell* file, const ReadRefinements& r) {
    if (r.as) raise(ErrorId::internal_not_done);
    const Cell target = *file;
    *file = dir_path(target) ? read_dir(target) : read_file(target, r);
    return file;
}

// The bytes a value writes: a binary's from its position, a string-like value's UTF-8,
// anything else's formed text in UTF-8; at most `part` bytes of a binary or characters of
// a text when part is 0 or more.
std::string bytes_of(const Cell& value, i64 part) {
    if (value.is(Type::binary)) {
        Buffer* b = node::buffer(value.w2);
        const u32 at = std::min(value.w1, b->used());
        std::size_t n = b->used() - at;
        if (part >= 0 && static_cast<u64>(part) < n) n = static_cast<std::size_t>(part);
        return std::string(reinterpret_cast<const char*>(b->head_ptr() + at), n);
    }
    Cell text = value;
    if (!series::any_string(value.type())) {
        Output out;
        form_value(value, out, nullptr, no_limit);
        text = out.value();
    }
    i32 count = part >= 0 ? static_cast<i32>(std::min<i64>(part, 0x7FFFFFFF)) : -1;
    const u8* bytes = unicode::to_utf8(text, count);
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
}

// The bytes are made before the file opens, so a value that cannot be written leaves the
// file as it was; a write that stops short, or a file the system cannot complete, raises.
Cell* write(Cell* file, const Cell* data, const WriteRefinements& r) {
    if (r.allow || r.as) raise(ErrorId::internal_not_done);
    const Cell target = *file;
    const Cell value = *data;
    const i64 part = count_arg(r.part, "part");
    const i64 seek = count_arg(r.seek, "seek");
    *file = unset_cell;
    if (r.part && part < 0) return file;
    const std::string path = os_path(target);
    // A binary's bytes are written straight from its buffer, without a copy.
    const bool direct = value.is(Type::binary);
    std::string bytes;
    if (r.lines && value.is(Type::block)) {
        const u32 n = series::buffer_length(value);
        for (u32 i = value.w1; i < n; ++i) {
            bytes += bytes_of(*block::cell_at(value, i), -1);
            bytes += '\n';
        }
    } else if (!direct) {
        bytes = bytes_of(value, part);
        if (r.lines) bytes += '\n';
    }
    unsigned mode = platform::open_mode::write;
    if (r.append) mode |= platform::open_mode::append;
    if (r.seek) mode |= platform::open_mode::seek;
    Descriptor d(platform::open_file(path.c_str(), mode));
    if (d.fd < 0 || (seek > 0 && !platform::seek_file(d.fd, seek))) cannot_open(target);
    const u8* from = reinterpret_cast<const u8*>(bytes.data());
    std::size_t count = bytes.size();
    if (direct) {
        // Nothing allocates from here on, so the buffer stays where it is.
        Buffer* b = node::buffer(value.w2);
        const u32 at = std::min(value.w1, b->used());
        from = b->head_ptr() + at;
        count = b->used() - at;
        if (part >= 0 && static_cast<u64>(part) < count) count = static_cast<std::size_t>(part);
    }
    bool written = platform::write_all(d.fd, from, count);
    if (direct && r.lines) written = written && platform::write_all(d.fd, "\n", 1);
    if (!written || !d.close()) cannot_open(target);
    return file;
}

Cell* delete_(Cell* file) {
    const Cell target = *file;
    const std::string path = os_path(target);
    *file = logic::cell(platform::remove_path(path.c_str(), dir_path(target)));
    return file;
}

Cell* rename(Cell* file, const Cell* new_name) {
    const Cell target = *file;
    const Cell name = *new_name;
    if (!series::any_string(name.type())) raise(ErrorId::script_invalid_arg, &name);
    const std::string from = os_path(target);
    const std::string to = os_path(name);
    *file = logic::cell(platform::rename_path(from.c_str(), to.c_str()));
    return file;
}

// The last modification as a UTF date, or none when the path names nothing (or names a
// file as a folder).
Cell* query(Cell* file) {
    const Cell target = *file;
    const std::string path = os_path(target);
    platform::FileTime t;
    const u32 n = chars_from_position(target);
    const bool as_folder = n > 0 && (char_at(target, n - 1) == '/' || char_at(target, n - 1) == '\\');
    if (!platform::modified_time(path.c_str(), t) || (as_folder && !platform::is_directory(path.c_str()))) {
        *file = none_cell;
    } else {
        *file = date::from_unix_time(t.seconds, static_cast<double>(t.nanoseconds) / 1e9);
    }
    return file;
}

}  // namespace
}  // namespace zel::file

namespace zel {

// Everything else as url!, of which file! is the child.
constinit const ActionRecord file_actions = [] {
    ActionRecord r;
#define ZEL_ACTION(slot, name, text) r.on_##name = inherit;
#include "runtime/core/action-slots.def"
#undef ZEL_ACTION
    r.on_mold = file::mold;
    r.on_open = {};
    r.on_read = file::read;
    r.on_write = file::write;
    r.on_delete = file::delete_;
    r.on_query = file::query;
    r.on_rename = file::rename;
    return r;
}();

}  // namespace zel
