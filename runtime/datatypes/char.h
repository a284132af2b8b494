// char!: one Unicode code point, 0 to 0x10FFFF, in word 2 of its cell. Its arithmetic is
// the integer core's, kept inside the code-point range: a result outside it raises
// math/overflow instead of making a character that does not exist.
#pragma once
#include "runtime/core/cell.h"

namespace zel::char_ {

constexpr i32 max_code_point = 0x10FFFF;

inline Cell cell(u32 code_point) { return Cell{header_of(Type::char_), 0, code_point, 0}; }

}  // namespace zel::char_
