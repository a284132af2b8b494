// The small tests `parse`, `find` and the set operations make on the text at a string's
// position: a character, a byte prefix, a bitset, a tag and `parse`'s match of a value.
// They read the string without changing it or its position.
#pragma once
#include "runtime/core/cell.h"

namespace zel::string {

// The offset from the position of the first character equal to cp, or -1.
i32 find_char(const Cell& str, u32 cp);

// Whether the character at the position, or any record_size-th one after it, equals cp;
// letters in either case match unless `case_sensitive`. A record size below 1 counts as 1.
bool contains_char(const Cell& str, u32 cp, i32 record_size, bool case_sensitive);

// Whether the characters from the position begin with the bytes before the NUL, each
// byte taken as the code point of its value.
bool starts_with_cstring(const Cell& str, const char* bytes);

// Whether the character at the position is in the bitset (bit c is bit 7 - (c & 7) of
// byte c >> 3); a character beyond the bitset's bytes is in it only when the bitset is
// complemented. False at the tail.
bool char_in_bitset(const Cell& str, const Cell& bitset);
// Whether the code point is in the bitset, by the same rule.
bool in_bitset(const Cell& bitset, u32 c);

// Whether the string holds "<" at its position and ">" just after room for the tag's text.
bool tag_brackets_at(const Cell& str, const Cell& tag);

// `parse`'s test of a value at the string's position under a comparison code: a text
// (string!, file!, url!, email!, ref!) matches as a prefix; a char! matches the character
// there, folding case unless the code is strict; a tag! matches its text in angle
// brackets. Any other value does not match.
bool match_at(const Cell& str, const Cell& value, i32 code);

}  // namespace zel::string
