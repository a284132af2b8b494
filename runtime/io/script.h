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

// Runs the program's script from the command line without the library (the stage-0
// program): the code runs as it stands, in its folder, with its header as
// `system/script/header`; answers the exit status 0. A header fault is reported on standard
// error with status 1; an uncaught error ends the process with its report and status 254.
// With the library the console's launch runs the script instead.
int run_main(const char* path);

}  // namespace zel::script
