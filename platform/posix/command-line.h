// The process's command line as one text, as the program was started: the program's path
// and its arguments separated by blanks, an argument holding white space or a quote (or
// an empty one) wrapped in double quotes, its own double quotes and the backslashes before
// them escaped with backslashes so the text splits back into the same arguments.
#pragma once
#include <string>

namespace zel::platform {

// Builds the text from an argument vector.
std::string command_line_of(int argc, const char* const* argv);

}  // namespace zel::platform
