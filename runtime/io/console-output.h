// Low-level console output: the runtime's own diagnostics written to standard output below
// the language's `print`. Text goes out as UTF-8 with LF line ends; escape sequences pass
// through unchanged (a terminal interprets them, a file or pipe keeps them). Every piece of
// text the typed writers put out is also handed to the output hooks. The writers keep no
// state between calls, so a hook may print while a print is under way without losing text.
#pragma once
#include <concepts>
#include <cstddef>
#include <initializer_list>

#include "runtime/core/cell.h"

namespace zel::stdio {

// Decides once whether standard output is a terminal.
void init();
bool is_console();

// One argument of a typed print.
struct Arg {
    enum class Kind : u32 { logic = 1, integer, character, float32, float64, text, other };
    Kind kind;
    union {
        bool logic;
        i64 integer;
        char character;
        float float32;
        double float64;
        const char* text;
        u64 other;
    };

    Arg(bool v) : kind(Kind::logic), logic(v) {}
    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char>)
    Arg(T v) : kind(Kind::integer), integer(static_cast<i64>(v)) {}
    Arg(char v) : kind(Kind::character), character(v) {}
    Arg(float v) : kind(Kind::float32), float32(v) {}
    Arg(double v) : kind(Kind::float64), float64(v) {}
    Arg(const char* v) : kind(Kind::text), text(v) {}
    // A value printed in hexadecimal, at least eight digits.
    static Arg hex(u64 v) {
        Arg a(false);
        a.kind = Kind::other;
        a.other = v;
        return a;
    }
};

// Prints the arguments in order; with `separated` a space goes between two of them unless
// the first ends in white space. All output streams are flushed after.
void print_typed(std::initializer_list<Arg> items, bool separated = false);
// The same, then a line end.
void print_typed_line(std::initializer_list<Arg> items, bool separated = false);

// Writes a NUL-terminated UTF-8 string as it is and hands it to the output hooks.
void print_cstr(const char* text);

// Writes `bytes` bytes of code units of `width` 1 (Latin-1), 2 (UTF-16) or 4 (UTF-32) as
// UTF-8, then a line end when asked. Any other width is a fatal error.
void write_units(const void* units, std::size_t bytes, int width, bool line_end);

}  // namespace zel::stdio
