// Script files: Zel source whose code follows a header, the word `Zel` and a block. The
// text before the header is skipped; a file without one is not run.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/core/cell.h"

namespace zel::script {

constexpr std::size_t no_header = std::string_view::npos;

// The offset of the header: "Zel", optionally "/System", any white space, then "[" (case
// matters); no_header when there is none.
std::size_t find_header(std::string_view text);

// A file's whole contents; raises access/cannot-open naming the file when it cannot be read.
std::string read_file(const Cell& file);

// `do` of a file! or url!: reads the script, checks its header and evaluates its code;
// answers the last value. Raises access/cannot-open when it cannot be read and
// syntax/no-header without a header.
Cell do_file(const Cell& file);

// Runs the program's script from the command line in the terminal, printing to standard
// output; answers the exit status: 0, or 1 after a header fault (reported on standard
// error). An uncaught error ends the process with its report and status 254.
int run_main(const char* path);

}  // namespace zel::script
