// UTF-8, one character at a time. Decoding accepts exactly the well-formed sequences of
// the Unicode standard (no overlong forms, no surrogates, nothing above U+10FFFF) and
// never reads at or past the end it is given.
#pragma once
#include <array>
#include <cstddef>

#include "runtime/core/cell.h"

namespace zel::unicode {

constexpr u32 max_code_point = 0x10FFFF;

// The table-driven automaton: 256 byte classes, then the transitions indexed by
// state + class. States are multiples of 12; a character is complete in the accepting
// state and broken in the rejecting one.
constexpr u8 utf8_accept = 0;
constexpr u8 utf8_reject = 12;
extern const std::array<u8, 364> utf8_automaton;

// Results of decode_utf8_char that are not code points.
constexpr i32 utf8_truncated = -1;  // a valid start of a sequence that the bytes cut short
constexpr i32 utf8_invalid = -2;    // a sequence that is not UTF-8

// Decodes the character at p from `available` (> 0) bytes. Returns its code point with
// `available` set to its length; utf8_truncated, `available` unchanged, when all the
// bytes there are fit a sequence that needs more; utf8_invalid with `available` set to
// the number of bytes to skip over (at least 1).
i32 decode_utf8_char(const u8* p, std::size_t& available);

// Bytes the UTF-8 form of cp takes: 1 to 4, 0 above U+10FFFF.
int utf8_size_of_char(u32 cp);

// Writes the UTF-8 form of cp and returns its length; writes nothing and returns 0 for a
// value above U+10FFFF.
int encode_utf8_char(u32 cp, u8* out);

}  // namespace zel::unicode
