// The text codecs of bytes: bases 2, 16, 58 and 64, for binary literals and for enbase and
// debase. One decoder serves both, so a literal and a decoded text accept the same digits.
#pragma once
#include <string>
#include <string_view>

#include "runtime/core/cell.h"

namespace zel::base_codec {

// Whether the base is one of 2, 16, 58 and 64.
bool known(u32 base);

// The bytes as digits: base 2 eight "0"/"1" a byte, base 16 two upper-case digits a
// byte, base 58 each leading 00 byte as "1" then the rest as one big-endian number, base
// 64 RFC 4648 with "=" padding; no line breaks.
std::string encode(u32 base, const u8* bytes, std::size_t count);

// The length of the text `encode` makes of `count` bytes, at most that at base 58 (whose
// length depends on the bytes).
u64 encoded_size(u32 base, u64 count);

// Decodes the digits of `text` into `bytes`, skipping characters up to space, ";"
// comments to the end of their line and, at bases 58 and 64, "'". False on any other
// character (any byte above 127 included), on an incomplete last byte or group (an odd
// base-16 digit, fewer than eight base-2 digits, a last base-64 group of one digit or not
// ended by "="), on digits after a base-64 "=", or on an unknown base.
bool decode(u32 base, std::string_view text, std::string& bytes);

}  // namespace zel::base_codec
