// The scanner's constant tables: byte classes with their token flags, the automaton's
// transitions over those classes, and the per-state and per-class tables read next to it.
// States below `first_final` are inner states; a transition into a final state ends the
// token without consuming the byte that caused it.
#pragma once
#include <array>

#include "runtime/core/cell.h"

namespace zel::lexer {

// Byte classes, in column order of the transition table.
enum class Class : u8 {
    blank, line_feed, digit, zero, open_block, close_block, open_paren, close_paren,
    open_brace, close_brace, quote, hash, apostrophe, colon, x, T, h, e, E, hex_lower,
    hex_upper, slash, backslash, less, greater, equal, percent, comma, semicolon, at,
    dot, dollar, plus, minus, caret, control, continuation, word, bad_byte, end,
};
constexpr u32 class_count = 40;

// Token flags: ORed from the class entry of every byte a token reads.
namespace tokenflag {
constexpr u32 percent = 0x00040000;
constexpr u32 greater = 0x00080000;
constexpr u32 less = 0x00100000;
constexpr u32 sign = 0x00200000;
constexpr u32 nul = 0x00400000;
constexpr u32 hash = 0x00800000;
constexpr u32 exponent = 0x01000000;
constexpr u32 apostrophe = 0x02000000;
constexpr u32 colon = 0x04000000;
constexpr u32 comma = 0x08000000;
constexpr u32 dot = 0x10000000;
constexpr u32 caret = 0x20000000;
constexpr u32 utf8_short = 0x40000000;  // a lead byte of a two- or three-byte sequence
constexpr u32 utf8_long = 0x80000000;   // a lead byte of a four-byte sequence
constexpr u32 class_mask = 0xFF;
}  // namespace tokenflag

// Inner states of the automaton.
namespace S {
enum : u8 {
    between, comment, string, string_caret, braced, braced_caret, percent, file, quoted_file,
    percents, raw, raw_close, raw_percents, slash, refinement, slashes, hash, binary,
    binary_comment, char_, char_caret, construct, issue, digits, float_point, float_fraction,
    exponent, exponent_or_hex, special_float, tuple, date, time_colon, time, pair_x, pair,
    point, money_dollar, money, money_fraction, hex_letters, word_or_hex, word_hex_h, hex_h,
    less, tag, tag_quote, tag_apostrophe, sign, prefix_sign, dot, dot_digits, prefix, word,
    word_colon, percent_word, url, email, ref, equal, path_element, path_number, path_prefix,
    path_word, path_issue, path_sign,
};
}  // namespace S
constexpr u32 state_count = S::path_sign + 1;

// Final states: each names the token found and selects its handler.
namespace F {
enum : u8 {
    end = 66, invalid, open_block, close_block, open_paren, close_paren, open_brace,
    close_brace, open_map, open_path, construct, comment, comma, string, word, issue, integer,
    refinement, char_, file, binary, percent, float_, special_float, tuple, date, pair, point,
    time, money, tag, url, email, hex_integer, raw_string, ref,
};
}  // namespace F
constexpr u8 first_final = F::end;
constexpr u32 final_count = F::ref - F::end + 1;
// The type table covers these many states, inner and final.
constexpr u32 typed_states = 104;

extern const std::array<u32, 256> byte_classes;
extern const std::array<u8, state_count * class_count> transitions;
extern const std::array<Type, typed_states> state_types;
extern const std::array<u8, class_count> path_delimiters;

inline Class class_of(u8 byte) { return static_cast<Class>(byte_classes[byte] & tokenflag::class_mask); }
inline u8 next_state(u8 state, Class c) {
    return transitions[state * class_count + static_cast<u32>(c)];
}
inline bool is_path_delimiter(Class c) { return path_delimiters[static_cast<u32>(c)] != 0; }

// The float syntax automaton: a text is valid float syntax when the state it reaches, read
// through the end column, does not reject.
bool is_float_syntax(const u8* text, u32 length);

}  // namespace zel::lexer
