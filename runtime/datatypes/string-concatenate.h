// Copying text into a string: the one routine under append, insert and overwrite of
// string-like values. The destination widens to the source's width first, so every
// character arrives unchanged; a copy between equal widths is one block move.
#pragma once
#include "runtime/core/cell.h"

namespace zel::string {

enum class Concat : u32 { append = 0, insert = 1, overwrite = 2 };

// Copies the characters of `source` (a string-like value from its position, or a symbol's
// name) into the series of `destination`, at most `part` of them when part is 0 or more:
// appended at the tail, inserted at the destination's position + `offset` (the rest moved
// up), or written over the characters there (the tail moving only when the text runs past
// it). Without `keep_source` a narrower source series is widened in place to the
// destination's width, its characters unchanged; a symbol's text is never touched. A
// source in the destination's own series is read as it was before the copy.
void concatenate(const Cell& destination, const Cell& source, i32 part, u32 offset, bool keep_source, Concat mode);

}  // namespace zel::string
