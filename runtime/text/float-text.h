// The text of floats: the layout that turns a double's decimal digits into the text of
// mold (plain or exponent notation, ".0" endings, special texts) and the text of form for
// floats, percents, time seconds and point coordinates. Texts are returned by value and
// sized for the longest layout, so no call overwrites another's result.
#pragma once
#include <string_view>

namespace zel {

struct FloatText {
    char text[40];
    int length = 0;
    std::string_view view() const { return {text, static_cast<std::size_t>(length)}; }
};

namespace decimal {

// The digits of decimal::digits laid out: plain notation for decimal-point positions
// -6 to 17, exponent notation otherwise ("1.0e17"). A text ending in "." gets "0" when
// pretty is set and loses the "." otherwise. count as for decimal::digits.
FloatText format_double(double value, int count, bool pretty);

}  // namespace decimal

namespace float_ {

// system/options/float/pretty?: form shows tiny magnitudes as zero and drops the noise
// of the last digit ("0.8" for 0.1 + 0.7).
extern bool pretty;

enum class TextKind {
    float32 = 0,     // a 32-bit vector! element
    float64 = 1,     // float! and 64-bit vector! elements
    percent32 = 2,   // a 32-bit percent element (value already x 100)
    percent64 = 3,   // percent! and 64-bit percent elements (value already x 100)
    seconds = 4,     // the seconds of a time!
    coordinate = 5,  // a point coordinate
};

// The form text of a number of the given kind.
FloatText to_text(double value, TextKind kind);

}  // namespace float_

}  // namespace zel
