// integer!: a 32-bit signed whole number in word 2 of its cell. Arithmetic never wraps:
// a result that leaves the 32-bit range, or a division that is not exact, becomes a
// float!, and what cannot become one (negate, absolute, round) raises math/overflow.
// Every conversion of a double to a 32-bit integer goes through `truncate`.
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "runtime/core/cell-views.h"
#include "runtime/core/error-ids.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/action-signatures.h"
#include "runtime/memory/fatal.h"

namespace zel::integer {

inline i32 get(const Cell& cell) { return as_integer(cell).value; }

inline Cell cell(i32 value) { return Cell{header_of(Type::integer), 0, static_cast<u32>(value), 0}; }

// Decimal text of a value, held in the returned object.
struct DecimalText {
    char digits[12];
    u8 start;
    std::string_view view() const { return {digits + start, sizeof digits - 1 - start}; }
};
DecimalText to_decimal_text(i32 value);

// The double truncated toward zero, or nothing when it lies outside -2147483648.0 ..
// 2147483647.0 or is a NaN.
std::optional<i32> truncate(double value);
// The same, raising `error` with the given arguments when out of range.
i32 truncate_or_raise(double value, ErrorId error, const Cell* arg1, const Cell* arg2 = nullptr);

// The 32-bit value of a number argument (an integer!, or a float! truncated toward zero);
// a float outside the range raises script/out-of-range with the argument.
i32 from_number_arg(const Cell& number);

// |value|; -2147483648 raises math/overflow.
i32 abs(i32 value);

// Makes `result` the float! holding the exact result of an integer operation that has no
// integer answer (the whole header rewritten). Without a result cell there is nowhere to
// put a float, so the result is refused with math/overflow.
void promote_to_float(Cell* result, double exact);

// The 32-bit operation a op b. An add, subtract or multiply that overflows, or a divide
// that is not exact while a result cell is given, makes that cell a float! and answers 0;
// otherwise the answer is also stored in the result cell's word 2 (header untouched).
// Divide and remainder by 0 raise math/zero-divide; -2147483648 by -1 math/overflow.
// Inline: the evaluator's fast paths compute integer operators with it.
inline i32 binary_op(i32 a, i32 b, ArithOp op, Cell* result) {
    i32 answer = 0;
    switch (op) {
    case ArithOp::add:
        if (__builtin_add_overflow(a, b, &answer)) {
            promote_to_float(result, static_cast<double>(a) + static_cast<double>(b));
            return 0;
        }
        break;
    case ArithOp::subtract:
        if (__builtin_sub_overflow(a, b, &answer)) {
            promote_to_float(result, static_cast<double>(a) - static_cast<double>(b));
            return 0;
        }
        break;
    case ArithOp::multiply:
        if (__builtin_mul_overflow(a, b, &answer)) {
            promote_to_float(result, static_cast<double>(a) * static_cast<double>(b));
            return 0;
        }
        break;
    case ArithOp::divide:
        if (b == 0) raise(ErrorId::math_zero_divide);
        if (a == INT32_MIN && b == -1) raise(ErrorId::math_overflow);
        if (result && a % b != 0) {
            promote_to_float(result, static_cast<double>(a) / static_cast<double>(b));
            return 0;
        }
        answer = a / b;
        break;
    case ArithOp::remainder:
        if (b == 0) raise(ErrorId::math_zero_divide);
        if (a == INT32_MIN && b == -1) raise(ErrorId::math_overflow);
        answer = a % b;
        break;
    case ArithOp::or_:
        answer = a | b;
        break;
    case ArithOp::and_:
        answer = a & b;
        break;
    case ArithOp::xor_:
        answer = a ^ b;
        break;
    default:
        fatal::exit_with_error(fatal::no_switch_match);
    }
    if (result) result->w2 = static_cast<u32>(answer);
    return answer;
}

// The arithmetic core: value1 (an integer!) op value2, by value2's type; the result is
// left in value1. A float!, percent! or time! on the right hands the operation to the
// float core, which takes the integer as its left operand.
Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2);

Cell* make(Cell* prototype, const Cell* spec, Type target);
Cell* to(Cell* prototype, const Cell* spec, Type target);
Cell* random(Cell* value, bool seed, bool secure, bool only);
i32 form(const Cell* value, Output& out, const Cell* part, i32 limit);
i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent);
i32 compare(const Cell* value1, const Cell* value2, i32 code);
Cell* absolute(Cell* value);
Cell* negate(Cell* value);
Cell* complement(Cell* value);
bool even_q(const Cell* value);
bool odd_q(const Cell* value);
Cell* power(Cell* number, Cell* exponent);
Cell* round(Cell* value, const Cell* scale, RoundFlags flags);

}  // namespace zel::integer
