// The text of string-like tokens: UTF-8 with "^" escapes decoded into characters, and the
// series values made from them. A string takes the narrowest unit width that holds all
// of its characters.
#pragma once
#include <string>

#include "runtime/core/cell.h"

namespace zel::lexer {

// Decodes [p, end) into characters, appending to `out`: UTF-8 throughout, and "^" escapes
// when `escapes` is set. False on an undecodable sequence or escape.
bool decode_text(const u8* p, const u8* end, bool escapes, std::u32string& out);

// Decodes one "^" escape at p (just after the "^"); advances p past it. -1 when it is bad.
i32 decode_escape(const u8*& p, const u8* end);

// A series value of a string-like type (string!, file!, url!, tag!, email!, ref!) over a
// new series holding the characters.
Cell make_text(Type type, const std::u32string& chars);
// A series value of the given type over a new byte series.
Cell make_bytes(Type type, const u8* bytes, u32 length);

// Decodes "%XX" escapes of two hexadecimal digits: a byte below C0 is the character of
// its value, a lead byte with the rest of its UTF-8 sequence escaped after it is the
// sequence's character; any other "%" stays as it is.
std::u32string percent_decode(const std::u32string& chars);

// 0-15 for a hexadecimal digit, 255 for any other byte.
u8 hex_digit(u32 c);

}  // namespace zel::lexer
