// money!: an exact decimal amount (17 integer and 5 fraction digits) with a sign and an
// optional currency, packed into its cell (runtime/core/money-word.h). Arithmetic is exact
// within the 22 digits; a result beyond them raises script/type-limit, and two different
// currencies never mix.
#pragma once
#include "runtime/core/money-word.h"
#include "runtime/datatypes/action-signatures.h"

namespace zel::money {

// The arithmetic core, also reached from integer! and float! when the right operand is
// money: value1 op value2, the result left in value1.
Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2);

// The money of an integer!, or of a float! or percent! (refused with bad-make-arg when not
// finite, non-zero below 1e-5, at or beyond 1e17, or with `check` when it has more than
// five fraction digits).
Cell from_number(const Cell& number, bool check);

// The integer part with its sign; beyond 32 bits script/type-limit.
i32 to_integer(const Cell& value);
double to_float(const Cell& value);

i32 compare(const Cell* value1, const Cell* value2, i32 code);

// -1, 0 or 1 by the amount's sign (zero? negative? positive? sign? of money).
i32 sign(const Cell& value);

}  // namespace zel::money
