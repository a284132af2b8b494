// Strings to and from UTF-8. Loading decodes strictly (invalid input raises
// access/invalid-utf8, input cut inside a character stops and reports what was left) into
// the narrowest unit width the characters allow; output encodes every unit.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "runtime/core/cell.h"

namespace zel::unicode {

// Bytes the UTF-8 form of the units in [start, end) of the given width takes.
u64 utf8_size_of_units(const u8* start, const u8* end, u32 unit);

// The UTF-8 form of a string value from its index (at most `count` characters, all when
// negative), NUL-terminated, in the value's conversion buffer; `count` becomes the byte
// count, the NUL excluded. With `crlf` each LF is written as CR LF. A code point above
// U+10FFFF raises script/invalid-char.
const u8* to_utf8(Cell& str, i32& count);
const u8* to_utf8_crlf(Cell& str, i32& count, bool crlf);

// Writes the UTF-8 form (as to_utf8) into a caller's buffer large enough for it, with a
// NUL after it when asked; returns the bytes written, the NUL excluded.
u32 encode_string_utf8(const Cell& str, u8* out, i32 count, bool nul);

// Decodes `length` bytes of UTF-8 into a string series and returns its node. `target`
// (0: none) is an existing series whose contents are replaced at its current unit width;
// otherwise a new series of 1-byte units is made. A leading byte-order mark is skipped.
// With `line_ends`, CR LF and a lone CR are stored as LF. When the input ends inside a
// character, loading stops there and `*unconsumed` (when given) receives the bytes left,
// else 0. Invalid UTF-8 raises access/invalid-utf8 with up to 4 bytes from the sequence.
Node load_utf8(const u8* src, u32 length, Node target, u32* unconsumed, bool line_ends);
inline Node load_utf8_new(const u8* src, u32 length) { return load_utf8(src, length, 0, nullptr, false); }

// A new value of a string-like type holding the decoded UTF-8 text (as load_utf8_new).
Cell string_of_utf8(std::string_view text, Type type = Type::string);
// The UTF-8 form of a string-like value from its position, as to_utf8 makes it.
std::string utf8_of(const Cell& str);

}  // namespace zel::unicode
