// Display width: how many character cells of a terminal grid a code point takes.
// Combining marks and format characters take none, East Asian wide and fullwidth
// characters two, everything else one.
#pragma once
#include "runtime/core/cell.h"

namespace zel::unicode {

// 0 for U+0000 and zero-width characters, 2 for wide ones, 1 otherwise (control characters
// included).
int char_width(u32 cp);

}  // namespace zel::unicode
