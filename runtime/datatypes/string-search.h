// Bitset membership of a character, as the searches of strings read a bitset.
#pragma once
#include "runtime/core/cell.h"

namespace zel::string {

// Whether the code point is in the bitset: bit c is bit 7 - (c & 7) of byte c >> 3; a
// character beyond the bitset's bytes is in it only when the bitset is complemented.
bool in_bitset(const Cell& bitset, u32 c);

}  // namespace zel::string
