// UTF-16, one character at a time, on 16-bit code units in host order (little-endian on
// every target we build for, so a unit array is UTF-16LE in memory). A surrogate that is
// not part of a pair is carried through as its own code point, so nothing is lost.
#pragma once
#include <bit>

#include "runtime/core/cell.h"

namespace zel::unicode {

static_assert(std::endian::native == std::endian::little, "UTF-16LE units are read in host order");

constexpr bool is_high_surrogate(u32 unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
constexpr bool is_low_surrogate(u32 unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Units the UTF-16 form of cp takes: 2 from U+10000, 0 above U+10FFFF, else 1.
int utf16_size_of_char(u32 cp);

// Writes cp as one unit or a surrogate pair and returns the number of units; writes
// nothing and returns 0 above U+10FFFF.
int encode_utf16_char(u32 cp, u16* out);

// Decodes the character at p (p < end): a surrogate pair gives its code point, any other
// unit (a lone surrogate too) its own value. Returns the address after it.
const u16* decode_utf16_char(const u16* p, const u16* end, u32& cp);

}  // namespace zel::unicode
