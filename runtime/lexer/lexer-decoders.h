// Number text shared by the lexer and the datatypes' conversions from text: decoders over
// text of 1-, 2- or 4-byte units that report faults through an error out and never raise.
#pragma once
#include "runtime/core/cell.h"

namespace zel::lexer {

constexpr i32 decode_bad_text = -1;
constexpr i32 decode_overflow = -2;

// An optional sign, decimal digits and "'" separators. error: 0, decode_bad_text or
// decode_overflow; "-2147483648" is exact.
i32 decode_integer(const void* text, u32 length, u32 unit, i32& error);

// Float syntax, "," taken for "."; text of 313 units or more is refused. On failure the
// error is decode_bad_text and the result a NaN. exponent_adjust scales by a power of ten.
double decode_float(const void* text, u32 length, u32 unit, i32& error, int exponent_adjust = 0);

struct TupleParts {
    u8 parts[12];
    u32 count;  // 0 when the text is not a tuple
};
// Decimal parts 0-255 separated by ".", at most 12 of them.
TupleParts decode_tuple(const void* text, u32 length, u32 unit);

// A time of day or duration in seconds: [sign] hours ":" minutes [":" seconds], or
// [sign] minutes ":" seconds with a fraction. False on a fault.
bool decode_time(const u8* text, u32 length, double& seconds);

// Date and money literals as the lexer reads them (bytes): the forms their tokens may take and the
// limits of their fields (days within their month, leap years, hours, zones...).
bool is_date_syntax(const u8* text, u32 length);
bool is_money_syntax(const u8* text, u32 length);

}  // namespace zel::lexer
