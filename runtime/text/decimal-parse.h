// Decimal text to double: the correctly rounded value (round half to even on the exact
// decimal value) of a number in the lexer's float syntax. Reads never go past the end
// pointer, whatever the text holds.
#pragma once

namespace zel::decimal {

// Reads an optional sign, digits, a fraction after "." or ",", and an exponent after "e"
// or "E"; "'" separates digits and is skipped. "1.#INF" and "-1.#INF" read as
// infinities, "1.#NaN" as the quiet NaN. exponent_adjust is added to the decimal
// exponent. left receives the number of characters after the last one read (the whole
// text when it starts with no number). Overflow gives an infinity, underflow zero.
double parse_double(const char* start, const char* end, int exponent_adjust, int& left);

}  // namespace zel::decimal
