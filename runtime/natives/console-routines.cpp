#include "runtime/natives/console-routines.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/environment.h"
#include "platform/posix/terminal.h"
#include "platform/posix/write-all.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/pair.h"
#include "runtime/memory/heap.h"
#include "runtime/natives/line-editor.h"
#include "runtime/text/string-utf8.h"

namespace zel::routines {
namespace {

std::string utf8_of(const Cell& text) {
    Cell s = text;
    i32 count = -1;
    const u8* bytes = unicode::to_utf8(s, count);
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
}

int env_number(const char* name) {
    std::string text;
    if (!platform::get_env(name, text)) return 0;
    char* end = nullptr;
    const long n = std::strtol(text.c_str(), &end, 10);
    return end && *end == 0 && n > 0 && n < 100000 ? static_cast<int>(n) : 0;
}

}  // namespace

void console_read(const Cell&, const Cell* args, Cell& result) {
    // On a terminal the line editor reads the line; otherwise the prompt, then a line
    // without echo.
    if (platform::is_terminal(STDIN_FILENO) && platform::is_terminal(STDOUT_FILENO)) {
        result = line_editor::read(args[0], logic::get(args[1]), args[2]);
        return;
    }
    const std::string question = utf8_of(args[0]);
    platform::write_all(STDOUT_FILENO, question.data(), question.size());
    std::string line;
    if (!platform::read_line(line)) {
        result = none_cell;
        return;
    }
    result = unicode::string_of_utf8(line);
}

void console_size(const Cell&, const Cell*, Cell& result) {
    int columns = 0;
    int rows = 0;
    if (!platform::terminal_size(columns, rows)) {
        columns = env_number("COLUMNS");
        rows = env_number("LINES");
        if (columns == 0) columns = 80;
        if (rows == 0) rows = 24;
    }
    result = pair::cell(columns, rows);
}

void console_title(const Cell&, const Cell* args, Cell&) {
    platform::set_terminal_title(utf8_of(args[0]));
}

void fail_start(const Cell&, const Cell* args, Cell&) {
    const std::string message = utf8_of(args[0]) + "\n";
    const int status = integer::get(args[1]);
    std::fflush(nullptr);
    platform::write_all(STDERR_FILENO, message.data(), message.size());
    heap::free_all();
    std::_Exit(status);
}

}  // namespace zel::routines
