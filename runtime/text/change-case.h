// Changing the case of text in place: the work under `uppercase` and `lowercase`. Each
// character becomes exactly one character, and a string widens when a mapped character
// needs wider units than the string has (U+00FF upper-cases to U+0178).
#pragma once
#include "runtime/text/case-mapping.h"

namespace zel::unicode {

// Maps up to `count` characters of the string series from unit `index` (both cut to the
// tail) in place; the series' buffer may move.
void change_case_units(Node str, u32 index, u32 count, CaseDirection direction);

}  // namespace zel::unicode
