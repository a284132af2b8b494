// Strings to and from UTF-16LE. Characters from U+10000 travel as surrogate pairs; a
// surrogate without its partner is kept as a code point of its own both ways, so text
// round-trips unchanged and bad input never ends the process.
#pragma once
#include "runtime/core/cell.h"

namespace zel::unicode {

// The UTF-16 form of a string value from its index (at most `count` characters, all when
// negative), NUL-terminated, in the value's conversion buffer. With `crlf` each LF is
// preceded by CR. `count` becomes the number of 16-bit units written, the NUL excluded.
// Null when a code point above U+10FFFF is met.
const u16* to_utf16(Cell& str, i32& count, bool crlf);

// Loads `count` units of UTF-16 at src into a string series and returns its node: the
// series of `target` (0: none) rewritten from its head, or a new one. The unit width is 1
// when every unit is below 0x100, 4 when any is a surrogate, else 2. With `drop_cr`,
// every CR is left out.
Node load_utf16le(const u16* src, u32 count, Node target, bool drop_cr);

}  // namespace zel::unicode
