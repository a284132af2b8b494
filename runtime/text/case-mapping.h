// Case mapping: the simple one-to-one Unicode mapping of every code point to its upper and
// lower case. A code point maps to exactly one code point, so changing case never adds or
// drops characters; `fold` is the one key that case-insensitive comparison, searching and
// hashing all use, so that two texts equal under comparison always hash alike.
#pragma once
#include "runtime/core/cell.h"

namespace zel::unicode {

enum class CaseDirection : u32 { lower = 0, upper = 1 };

// The mapped code point, or cp itself when it has no mapping in that direction (also for
// values above U+10FFFF).
u32 change_case_char(u32 cp, CaseDirection direction);

inline u32 to_upper(u32 cp) { return change_case_char(cp, CaseDirection::upper); }
inline u32 to_lower(u32 cp) { return change_case_char(cp, CaseDirection::lower); }

// The case-insensitive key of a code point: its upper case, the mapping that ordering of
// texts compares by.
inline u32 fold(u32 cp) { return to_upper(cp); }

}  // namespace zel::unicode
