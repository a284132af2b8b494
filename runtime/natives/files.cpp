// The natives about files outside the file! actions: to-local-file (a path in the
// system's notation), size? and browse (the desktop's program for a URL or file).
#include <string>

#include "generated/refinements.h"
#include "platform/posix/files.h"
#include "platform/posix/open-with.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/file.h"
#include "runtime/datatypes/float.h"
#include "runtime/datatypes/integer.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"
#include "runtime/text/string-utf8.h"

namespace zel::natives {

void to_local_file(const i32* refinements) {
    set_result(file::local_path(arg(0), used(refinements, to_local_file_ref::full)));
}

// The size in bytes, a float! when it exceeds an integer!; none for a folder or a file
// that cannot be opened.
void size_q(const i32*) {
    const Cell target = arg(0);
    set_result(none_cell);
    if (file::dir_path(target)) return;
    const std::string path = file::os_path(target);
    const int fd = platform::open_file(path.c_str(), platform::open_mode::read);
    if (fd < 0) return;
    const i64 size = platform::is_directory_fd(fd) ? -1 : platform::file_size(fd);
    platform::close_file(fd);
    if (size < 0) return;
    if (size <= 0x7FFFFFFF) set_result(integer::cell(static_cast<i32>(size)));
    else set_result(float_::cell(static_cast<double>(size)));
}

void browse(const i32*) {
    const Cell target = arg(0);
    const Cell text = target.is(Type::file) ? file::local_path(target, false) : target;
    const std::string local = unicode::utf8_of(text);
    if (local.find('\0') != std::string::npos) raise(ErrorId::access_cannot_open, &target);
    switch (platform::open_with_desktop(local.c_str())) {
    case platform::OpenWith::started:
        set_result(unset_cell);
        return;
    case platform::OpenWith::no_opener: {
        const Cell message = unicode::string_of_utf8("browse (xdg-open is not installed)");
        raise(ErrorId::internal_not_here, &message);
    }
    case platform::OpenWith::failed:
        break;
    }
    raise(ErrorId::access_cannot_open, &target);
}

}  // namespace zel::natives
