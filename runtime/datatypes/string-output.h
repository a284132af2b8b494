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

// A growing sequence of code points. Until series buffers exist it keeps its own storage
// in the tracked heap; its interface is what the form and mold actions rely on.
class Output {
public:
    Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;
    ~Output();

    void append_char(u32 code_point);
    // Appends each byte as one character (ASCII text such as names and digits).
    void append_ascii(std::string_view text);
    // Cuts the text to its first n characters.
    void limit_length(u32 n);

    u32 length() const { return length_; }
    u32 at(u32 i) const { return chars_[i]; }
    // The text as UTF-8 (tests and diagnostics).
    std::string utf8() const;

private:
    u32* chars_ = nullptr;
    u32 length_ = 0;
    u32 capacity_ = 0;
};

// A read-only run of characters stored in units of 1, 2 or 4 bytes, as strings keep them.
struct TextSpan {
    const void* units = nullptr;
    u8 width = 1;
    u32 length = 0;

    u32 at(u32 i) const;
};

// Whether a /part argument was given; its count is word 2 of the cell.
inline bool has_part(const Cell* part) { return part != nullptr; }

// Appends one character as a molded string or char! writes it: control characters, the
// double quote and "^" as caret escapes, 30 and 128-159 (and, with `all`, anything above
// 127) as "^(hex)".
void mold_char(Output& out, u32 c, bool all);

// Appends the molded form of a text: in double quotes, or in braces when it holds a
// double quote, three or more line feeds or 50 characters; with /part only the characters
// the limit allows are scanned. `text` runs from the string's position to its tail.
i32 mold_text(Output& out, TextSpan text, const Cell* part, i32 limit, bool all);

// Upper-case hexadecimal digits of a 32-bit value: all eight, padded with "0" (with "F"
// for a negative value), or with `trim` only the significant ones ("00" for zero, at
// least two digits, leading F digits of a negative value dropped down to "FF").
std::string int_to_hex(u32 value, bool trim);

// Calls the value's form (or mold) through its row; answers the remaining limit.
i32 form_value(const Cell& value, Output& out, const Cell* part, i32 limit);
i32 mold_value(const Cell& value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent);

// The generic `form` and `mold`: run the value's action with the /part limit and cut the
// output to the count. A count below 1 gives an empty output without running the action.
void form(const Cell& value, const Cell* part, Output& out);
void mold(const Cell& value, MoldFlags flags, const Cell* part, Output& out);

}  // namespace zel
