// pair!: two signed 32-bit integers, x in word 2 and y in word 3. Arithmetic is the
// integer core's per component; an operation that has no exact integer answer (an
// overflow, an inexact division, a float factor) is redone as a point2D!.
#pragma once
#include "runtime/core/cell-views.h"
#include "runtime/datatypes/action-signatures.h"

namespace zel::pair {

inline Cell cell(i32 x, i32 y) { return Cell{header_of(Type::pair), 0, static_cast<u32>(x), static_cast<u32>(y)}; }

// The pair core: value1 (a pair) op value2 (a pair, point2D!, integer!, float! or
// percent!), left in value1.
Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2);

Cell* negate(Cell* value);

}  // namespace zel::pair
