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

// The fields of a date literal: the calendar day (week and ordinal forms resolved), the
// local time of day in seconds when one is given, and the zone in minutes east of UTC.
struct DateParts {
    i32 year = 0;
    u32 month = 1;
    u32 day = 1;
    bool has_time = false;
    double seconds = 0;
    i32 zone_minutes = 0;
};

// Date and money literals as the lexer reads them (bytes), within the limits of their
// fields (days within their month, leap years, hours, zones, digit counts, listed
// currencies). False on a fault; otherwise the parts, or the money! cell.
bool decode_date(const u8* text, u32 length, DateParts& parts);
bool decode_money(const u8* text, u32 length, Cell& money);

}  // namespace zel::lexer
