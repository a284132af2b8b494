// The print hooks: two lists of functions standing between the producers of text and
// wherever it is shown. Print hooks receive the formed text of every `print` and `prin`;
// output hooks receive every piece of text the low-level console writers put out. Hooks run
// in registration order, on a copy of the list, so a hook may add or remove hooks.
#pragma once
#include <cstddef>

#include "runtime/core/cell.h"

namespace zel::stdio {

using PrintHook = void (*)(const Cell& text, bool new_line);
// The text is UTF-8; with new_line the writer ended a line after it.
using OutputHook = void (*)(const char* text, std::size_t size, bool new_line);

// Makes both lists (from the tracked heap, which owns them until exit).
void init_print_hooks();
bool print_hooks_ready();

// Each non-null hook is appended to its list.
void add_print_hooks(PrintHook print, OutputHook output);
// Each non-null hook loses its first occurrence in its list.
void remove_print_hooks(PrintHook print, OutputHook output);

void run_print_hooks(const Cell& text, bool new_line);
void run_output_hooks(const char* text, std::size_t size, bool new_line);

}  // namespace zel::stdio
