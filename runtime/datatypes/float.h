// float!: an IEEE double in words 2-3 of its cell, with every floating-point exception
// masked, so a division by zero gives an infinity or a NaN and nothing traps. Its
// arithmetic core also serves percent! and time!, its children, and integer operations
// handed over with a float on the right; the result type follows the operands' kinds.
#pragma once
#include <bit>

#include "runtime/core/cell-views.h"
#include "runtime/datatypes/action-signatures.h"

namespace zel::float_ {

// The NaN that operations without an answer return (a quiet NaN, sign clear).
inline const double quiet_nan = std::bit_cast<double>(u64{0x7FF8000000000000});

inline double get(const Cell& cell) { return float_payload(cell); }

// The double of a number operand: an integer! or char! by its value, a float!, percent!
// (its fraction) or time! (seconds) by its double.
inline double number_of(const Cell& number) {
    return number.is(Type::integer) || number.is(Type::char_) ? static_cast<double>(as_integer(number).value)
                                                              : float_payload(number);
}

// A number cell of type t (float!, percent! or time!) holding value, flags clear.
inline Cell cell(double value, Type t = Type::float_) {
    Cell c{header_of(t), 0, 0, 0};
    set_float_payload(c, value);
    return c;
}

// Makes `target` a float! holding value (the whole header rewritten).
inline Cell* set_cell(Cell* target, double value) {
    *target = cell(value);
    return target;
}

// Equality with a tolerance: a NaN equals nothing; values within DBL_EPSILON of each
// other, or at most 10 units in the last place apart, are equal.
bool almost_equal_q(double a, double b);
// The same for 32-bit floats (point components): at most 10 units in the last place apart.
bool almost_equal32_q(float a, float b);

// a op b. Remainder follows fmod, with the quiet NaN for a zero or NaN divisor and a
// finite a kept whole against an infinite divisor; or, and and xor raise script/cannot-use.
double binary_op(double a, double b, ArithOp op);

// The float arithmetic core: value1 (a float!, percent!, time! or integer!) op value2,
// the result left in value1. A time with a non-time gives a time; a percent with a
// non-percent on its right stays a percent; otherwise an integer left becomes a float!.
Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2);

// A random double from 0 to bound: inclusive of the bound from the generator, practically
// never reaching it from the secure source.
double random_up_to(double bound, bool secure);

Cell* make(Cell* prototype, const Cell* spec, Type target);
Cell* random(Cell* value, bool seed, bool secure, bool only);
i32 form(const Cell* value, Output& out, const Cell* part, i32 limit);
i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent);
// Compares value1 (a float!, percent! or time!) with a number: equality is tolerant,
// strict equality exact, sameness bitwise; any ordering with a NaN is false.
i32 compare(const Cell* value1, const Cell* value2, i32 code);
Cell* absolute(Cell* value);
Cell* negate(Cell* value);
Cell* power(Cell* number, Cell* exponent);
// Rounds to a multiple of the scale (1, or 1% for a percent; a number scale of a percent
// counts percent units). With /to an integer! scale the result is an integer! (a percent
// stays a percent), with any other scale a value of the scale's type.
Cell* round(Cell* value, const Cell* scale, RoundFlags flags);
bool even_q(const Cell* value);
bool odd_q(const Cell* value);

}  // namespace zel::float_
