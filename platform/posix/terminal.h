// The terminal the console runs in: whether a descriptor is one, its size in characters,
// its title, and line input from standard input.
#pragma once
#include <string>

namespace zel::platform {

bool is_terminal(int fd);

// The size of the terminal on standard output, in columns and rows; false when it is not
// a terminal or the size is unknown.
bool terminal_size(int& columns, int& rows);

// Sets the title of the terminal on standard output; does nothing when it is not one.
void set_terminal_title(const std::string& title);

// Reads one line from standard input without its line end (LF, or CR LF); false at the
// end of input with nothing read.
bool read_line(std::string& line);

}  // namespace zel::platform

namespace zel::platform {

// The terminal on standard input in raw mode (no echo, no line buffering, no signals from
// Ctrl+C) for as long as the object lives. Keys typed ahead are kept, in either direction.
class RawMode {
public:
    RawMode();
    ~RawMode();
    RawMode(const RawMode&) = delete;
    RawMode& operator=(const RawMode&) = delete;
    bool active() const { return active_; }

private:
    bool active_ = false;
    unsigned char saved_[128];
};

// One key read from a terminal in raw mode: a character (UTF-8 decoded, control
// characters as their codes) or a named key, with Ctrl held on a named key.
struct Key {
    enum Name { character, left, right, up, down, home, end, del, insert, end_of_input, none };
    Name name = none;
    char32_t ch = 0;
    bool ctrl = false;
    bool shift = false;
};

// Waits for the next key; end_of_input when standard input ends or fails.
Key read_key();

}  // namespace zel::platform
