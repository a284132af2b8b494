// Strings made from encoded text that enters the runtime from outside (files, the
// command line, the system): UTF-8 or UTF-16LE decoded into the narrowest unit width.
// An encoding the runtime does not know is a build fault of the caller: the process ends.
#pragma once
#include "runtime/core/cell.h"

namespace zel::string {

namespace encoding {
constexpr i32 utf8 = 0;
constexpr i32 utf16le = -1;
}  // namespace encoding

// Makes `out` a string! of the `length` bytes of encoded text. UTF-8 keeps its line ends
// and raises access/invalid-utf8 on bad input; UTF-16LE keeps a lone surrogate as a
// character and ignores an odd last byte. Any other encoding prints "*** Loading Error:
// input encoding unsupported" and ends the process with status 1.
void load_text(const u8* bytes, u32 length, i32 encoding, Cell& out);
// The same into a new cell appended to the block; returns a copy of the string value.
Cell load_text_in(const u8* bytes, u32 length, const Cell& block, i32 encoding);
// The same into a new cell of the root block.
Cell load_text_in_root(const u8* bytes, u32 length, i32 encoding);

// A new string! of `count` bytes of UTF-8 (which may lie in a series buffer); bytes left
// undecoded at the end, a character cut short, raise access/invalid-utf8 with them as a
// binary!.
Cell to_from_binary(const u8* bytes, u32 count);

}  // namespace zel::string
