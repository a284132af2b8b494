// The print hooks: the functions standing between `print` and `prin` and wherever their
// text is shown; each receives the formed text. Hooks run in registration order, on a copy
// of the list, so a hook may add hooks.
#pragma once
#include "runtime/core/cell.h"

namespace zel::stdio {

using PrintHook = void (*)(const Cell& text, bool new_line);

// Makes the list (from the tracked heap, which owns it until exit).
void init_print_hooks();

// Appends the hook to the list.
void add_print_hook(PrintHook print);

// Runs the hooks on the text; the new-line flag is remembered as the last output's.
void run_print_hooks(const Cell& text, bool new_line);

// Whether the last text run through the hooks ended its line (print) or not (prin); true
// before any output and after init_print_hooks.
bool last_line_ended();

}  // namespace zel::stdio
