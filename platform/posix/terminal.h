// The terminal the console runs in: whether a descriptor is one, its size in characters,
// its title, and line input from standard input.
#pragma once
#include <string>

namespace zel::platform {

bool is_terminal(int fd);

// The size of the terminal on standard output (else standard input), in columns and rows;
// false when neither is a terminal or the size is unknown.
bool terminal_size(int& columns, int& rows);

// Sets the title of the terminal on standard output; does nothing when it is not one.
void set_terminal_title(const std::string& title);

// Reads one line from standard input without its line end (LF, or CR LF); false at the
// end of input with nothing read.
bool read_line(std::string& line);

}  // namespace zel::platform
