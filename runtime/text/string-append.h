// Appending text to a string series, whatever its unit width: the output of form and
// mold grows by these calls. ASCII fits every width, so nothing here widens a string.
#pragma once
#include "runtime/core/cell.h"

namespace zel::unicode {

// Appends the ASCII text before the NUL; returns the number of characters appended.
u32 append_ascii(Node str, const char* text);

}  // namespace zel::unicode
