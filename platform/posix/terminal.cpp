#include "platform/posix/terminal.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/write-all.h"

namespace zel::platform {

bool is_terminal(int fd) { return isatty(fd) == 1; }

bool terminal_size(int& columns, int& rows) {
    for (int fd : {STDOUT_FILENO, STDIN_FILENO}) {
        winsize size{};
        if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
            columns = size.ws_col;
            rows = size.ws_row;
            return true;
        }
    }
    return false;
}

void set_terminal_title(const std::string& title) {
    if (!is_terminal(STDOUT_FILENO)) return;
    std::string text = "\033]0;";
    for (char c : title)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) text += c;
    text += '\a';
    write_all(STDOUT_FILENO, text.data(), text.size());
}

bool read_line(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        char c;
        const ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        any = true;
        if (c == '\n') break;
        line += c;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

}  // namespace zel::platform
