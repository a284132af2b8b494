#include "platform/posix/terminal.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/write-all.h"

namespace zel::platform {

bool is_terminal(int fd) { return isatty(fd) == 1; }

bool terminal_size(int& columns, int& rows) {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) return false;
    columns = size.ws_col;
    rows = size.ws_row;
    return true;
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

RawMode::RawMode() {
    static_assert(sizeof(termios) <= sizeof saved_);
    termios t{};
    if (tcgetattr(STDIN_FILENO, &t) != 0) return;
    std::memcpy(saved_, &t, sizeof t);
    t.c_iflag &= ~static_cast<tcflag_t>(BRKINT | ICRNL | INPCK | ISTRIP | IXON);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ICANON | IEXTEN | ISIG);
    t.c_cflag |= CS8;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    active_ = tcsetattr(STDIN_FILENO, TCSADRAIN, &t) == 0;
}

RawMode::~RawMode() {
    if (!active_) return;
    termios t{};
    std::memcpy(&t, saved_, sizeof t);
    tcsetattr(STDIN_FILENO, TCSADRAIN, &t);
}

namespace {

// One byte of standard input; -1 at its end.
int read_byte() {
    for (;;) {
        unsigned char c;
        const ssize_t n = read(STDIN_FILENO, &c, 1);
        if (n == 1) return c;
        if (n < 0 && errno == EINTR) continue;
        return -1;
    }
}

// A byte that follows at once (the rest of an escape sequence), or -1 when none comes
// within a tenth of a second: a lone Escape key.
int next_byte_soon() {
    termios t{};
    if (tcgetattr(STDIN_FILENO, &t) != 0) return read_byte();
    termios quick = t;
    quick.c_cc[VMIN] = 0;
    quick.c_cc[VTIME] = 1;
    tcsetattr(STDIN_FILENO, TCSANOW, &quick);
    unsigned char c;
    const ssize_t n = read(STDIN_FILENO, &c, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &t);
    return n == 1 ? c : -1;
}

Key named(Key::Name name, int modifier) {
    Key k;
    k.name = name;
    // xterm modifier parameter: 1 + (shift 1, alt 2, ctrl 4).
    if (modifier > 1) {
        k.shift = ((modifier - 1) & 1) != 0;
        k.ctrl = ((modifier - 1) & 4) != 0;
    }
    return k;
}

// The rest of "ESC [" or "ESC O": parameters, then the final byte.
Key escape_sequence() {
    int params[2] = {0, 0};
    int count = 0;
    int c;
    while ((c = next_byte_soon()) >= 0) {
        if (c >= '0' && c <= '9') {
            if (count == 0) count = 1;
            params[count - 1] = params[count - 1] * 10 + (c - '0');
        } else if (c == ';') {
            if (count < 2) ++count;
        } else {
            break;
        }
    }
    const int modifier = count == 2 ? params[1] : 0;
    switch (c) {
    case 'A': return named(Key::up, modifier);
    case 'B': return named(Key::down, modifier);
    case 'C': return named(Key::right, modifier);
    case 'D': return named(Key::left, modifier);
    case 'H': return named(Key::home, modifier);
    case 'F': return named(Key::end, modifier);
    case '~':
        switch (params[0]) {
        case 1:
        case 7: return named(Key::home, modifier);
        case 4:
        case 8: return named(Key::end, modifier);
        case 2: return named(Key::insert, modifier);
        case 3: return named(Key::del, modifier);
        default: break;
        }
        break;
    default: break;
    }
    return Key{};
}

}  // namespace

Key read_key() {
    const int c = read_byte();
    Key k;
    if (c < 0) {
        k.name = Key::end_of_input;
        return k;
    }
    if (c == 27) {
        const int n = next_byte_soon();
        if (n == '[' || n == 'O') return escape_sequence();
        k.name = Key::character;
        k.ch = 27;
        return k;
    }
    k.name = Key::character;
    if (c < 0x80) {
        k.ch = static_cast<char32_t>(c);
        return k;
    }
    // UTF-8: the lead byte gives the number of continuation bytes; a malformed sequence
    // reads as U+FFFD.
    const int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (extra < 0) {
        k.ch = 0xFFFD;
        return k;
    }
    char32_t cp = static_cast<char32_t>(c & (0x3F >> extra));
    for (int i = 0; i < extra; ++i) {
        const int b = read_byte();
        if (b < 0 || (b & 0xC0) != 0x80) {
            k.ch = 0xFFFD;
            return k;
        }
        cp = (cp << 6) | static_cast<char32_t>(b & 0x3F);
    }
    k.ch = cp > 0x10FFFF ? 0xFFFD : cp;
    return k;
}

}  // namespace zel::platform
