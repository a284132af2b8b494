// Arithmetic with a number on the left and a compound value (pair!, point2D!, point3D!,
// tuple!) on the right, which the integer and float cores hand over: the compound's own
// core runs with the operands swapped where the operation allows it.
#pragma once
#include "runtime/core/cell.h"
#include "runtime/datatypes/action-signatures.h"

namespace zel::number_first {

// value1 (a number) op value2 (a compound), left in value1. Add, multiply and the bitwise
// operations commute; remainder takes the number modulo each component; subtract and
// divide by a tuple relate to nothing. With `negate_subtract`, n - p is (-p) + n for a
// pair or point (integer operands); without it that subtract relates to nothing, as
// does dividing by a pair or point.
Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2, bool negate_subtract);

}  // namespace zel::number_first
