// Ordering of names (symbols, words, issues) as text: code point by code point over their
// UTF-8 spelling, letters folded as case-insensitive string comparison folds them unless
// the comparison code asks for case.
#pragma once
#include <string_view>

#include "runtime/core/cell.h"

namespace zel {

// -1, 0 or 1.
i32 compare_names(std::string_view a, std::string_view b, i32 code);

}  // namespace zel
