// vector!: a position in a series of packed numbers of one element type (integer!, char!,
// float! or percent!, in word 3) and one size, the buffer's unit width (1, 2 or 4 bytes for
// integers and chars, 4 or 8 for floats, 8 for percents). Elements are read and written
// only through these routines, which know the encodings; the width-agnostic series
// actions move, copy and count them as units.
#pragma once
#include "runtime/datatypes/action-signatures.h"

namespace zel::vector {

// Whether a vector can hold elements of the type at the size in bytes: integers and chars
// of 1, 2 or 4 bytes, floats of 4 or 8, percents of 8.
bool valid_kind(Type element, u32 size);
// The element `i` units from the head, as a value of the element type.
Cell element(const Cell& v, u32 i);
// Raises script/invalid-type with the value's datatype unless a vector can store it: an
// integer!, char!, float! or percent! goes into any vector (an integer or char vector
// takes a float truncated toward zero).
void check_value(const Cell& value);
// Stores a value (checked as above) into element `i` from the head, within the tail.
void write_value(const Cell& v, u32 i, const Cell& value);
// The order of element i of `a` against element j of `b` (both of one element type):
// negative, 0 or positive; floats that are unordered (a NaN) count as equal.
i32 order(const Cell& a, u32 i, const Cell& b, u32 j);
// A new block of the elements from the position, as values of the element type.
Cell to_block(const Cell& v);
// The arithmetic of a number on the left of a vector (`10 - v`): each element of the
// vector from its position becomes `scalar op element`, in place; the result, in the
// scalar's cell, is the vector.
Cell* scalar_first(ArithOp op, Cell* scalar, Cell* v);

}  // namespace zel::vector
