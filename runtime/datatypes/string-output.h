// The text that `form` and `mold` write: the output every datatype appends to, the
// remaining-limit protocol of /part, and the molded spelling of characters and strings.
// A form or mold returns the limit it was given less the characters it appended; the
// generic entries cut the output to the /part count once, at the end.
#pragma once
#include <string>
#include <string_view>

#include "runtime/datatypes/action-signatures.h"

namespace zel {

// The limit when no /part was asked for.
constexpr i32 no_limit = 0x7FFFFFFF;

// The output string of one form or mold: a new string! value that grows and widens as
// characters arrive. It keeps the string's node, never its buffer's address, so any
// allocation may move the buffer.
class Output {
public:
    Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // The string! value holding the text.
    const Cell& value() const { return string_; }

    // Appends one character. A 1-byte string keeps code points below 128 as they are; a
    // wider one widens it to 2 bytes, or 4 from 0x10000, as a 2-byte string does then.
    void append_char(u32 code_point);
    // Appends each byte as one character (ASCII text such as names and digits).
    void append_ascii(std::string_view text);
    // Cuts the text to its first n characters.
    void limit_length(u32 n);

    u32 length() const;
    u32 at(u32 i) const;
    // The width in bytes of the string's units.
    u32 unit() const;
    // The text as UTF-8 (tests and diagnostics).
    std::string utf8() const;

private:
    Cell string_;
};

// The character i places after a string-like value's position, read through its node
// (valid across allocations).
u32 char_at(const Cell& text, u32 i);
// Characters from a string-like value's position to its tail (0 past the tail).
u32 chars_from_position(const Cell& text);

// Whether a /part argument was given; its count is word 2 of the cell.
inline bool has_part(const Cell* part) { return part != nullptr; }

// Appends one character as a molded string or char! writes it: control characters, the
// double quote and "^" as caret escapes, 30 and 128-159 (and, with `all`, anything above
// 127) as "^(hex)".
void mold_char(Output& out, u32 c, bool all);

// Appends the molded form of a string-like value from its position: in double quotes, or
// in braces when the text holds a double quote, three or more line feeds or 50
// characters; with /part only the characters the limit allows are written. Returns the
// limit less the characters written and the two delimiters (escapes do not count).
i32 mold_string(Output& out, const Cell& text, const Cell* part, i32 limit, bool all);

// Upper-case hexadecimal digits of a 32-bit value: all eight, padded with "0" (with "F"
// for a negative value), or with `trim` only the significant ones ("00" for zero, at
// least two digits, leading F digits of a negative value dropped down to "FF").
std::string int_to_hex(u32 value, bool trim);

// Appends fixed ASCII text (a type's form, a delimiter); answers the remaining limit.
i32 append_text(Output& out, std::string_view text, i32 limit);

// Appends the indentation of a nested mold: 4 spaces per level.
i32 append_indent(Output& out, i32 level, i32 limit);

// Calls the value's form (or mold) through its row; answers the remaining limit.
i32 form_value(const Cell& value, Output& out, const Cell* part, i32 limit);
i32 mold_value(const Cell& value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent);

// The generic `form` and `mold`: run the value's action with the /part limit and cut the
// output to the count. A count below 1 gives an empty output without running the action.
void form(const Cell& value, const Cell* part, Output& out);
void mold(const Cell& value, MoldFlags flags, const Cell* part, Output& out);

}  // namespace zel
