// The routines of the console in the terminal: line input, the terminal's size and title,
// and the report of a start-up failure.
#pragma once
#include "runtime/core/cell.h"

namespace zel::routines {

// question [string!] hide [logic!] history [block!]: the prompt written, then one line
// read; none at the end of input.
void console_read(const Cell& routine, const Cell* args, Cell& result);
// The console's size in characters: the terminal's, else COLUMNS and LINES, else 80x24.
void console_size(const Cell& routine, const Cell* args, Cell& result);
void console_title(const Cell& routine, const Cell* args, Cell& result);
// message [string!] status [integer!]: the message on standard error, then the exit.
void fail_start(const Cell& routine, const Cell* args, Cell& result);

}  // namespace zel::routines
