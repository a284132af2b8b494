// The console's line editor on a terminal: reads one input line with editing keys,
// undo and redo, history recall and completion, echoing it in place (or as "*" for
// hidden input).
#pragma once
#include "runtime/core/cell.h"

namespace zel::line_editor {

// Reads a line after `prompt` (a string!) with `history` (a block! of strings, newest
// first) to browse and to record the line in; hidden input is echoed as "*" and never
// recorded. Answers the line as a new string (Escape and Ctrl+C end it with character
// 27), or none when the input ends (Ctrl+D on an empty line).
Cell read(const Cell& prompt, bool hide, const Cell& history);

}  // namespace zel::line_editor
