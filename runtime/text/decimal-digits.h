// Decimal digits of a double: the shortest digit string that reads back as the same
// double, or the value correctly rounded to a number of significant digits (ties to
// even on the exact binary value). Results are values; no buffer is shared between calls.
#pragma once

namespace zel::decimal {

// Significant digits a request may ask for: 17 identify every double, so more would only
// spell out the binary expansion, and the layouts are sized for this bound.
constexpr int max_digits = 17;
// Positions that mark a special text in place of digits.
constexpr int point_special = 9999;  // "1.#INF", "-1.#INF", "1.#NaN"
constexpr int point_zero = 9998;     // "0.0", "-0.0" (pretty) or "0", "-0"

struct Digits {
    char text[24];   // NUL-terminated digits without trailing zeros, or a special text
    int length;
    int point;       // value = 0.d1d2d3... x 10^point
    bool negative;   // sign bit set (negative zero included; never for NaN)
};

// count <= 0 asks for the shortest round-trip digits; a positive count for that many
// significant digits (at most max_digits; larger counts are taken as max_digits).
Digits digits(double value, int count, bool pretty);

}  // namespace zel::decimal
