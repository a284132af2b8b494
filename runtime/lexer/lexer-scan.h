// A scan in progress, as the driver and the token loaders share it. Each scan owns the
// slice of the scanned-value buffer above its enclosing scan's top; cells there are named
// by index, since the buffer moves when it grows.
#pragma once
#include "runtime/lexer/lexer.h"

namespace zel::lexer {

struct Token {
    u32 start;  // byte offsets into the input
    u32 end;
    u32 flags;  // the token flags of its bytes
    u8 final_state;
};

struct Scan {
    Scan* outer = nullptr;
    u32 base = 0;  // first cell of this scan's slice in the value buffer
    u32 top = 0;   // one past its last cell
    u32 open_marker = 0;  // index + 1 of the innermost open marker, 0 when none

    const u8* input = nullptr;
    u32 length = 0;
    u32 pos = 0;
    u32 line = 1;
    u32 lines_before = 0;  // line feeds between the previous token and this one

    u8 initial_state = 0;
    u8 last_inner = 0;
    Type path_type{};      // the path being read, Type{0} when none
    bool path_element = false;  // the next token is an element of the open path

    u32 brace_depth = 0;
    u32 brace_start = 0;
    u32 brace_flags = 0;
    u32 brace_lines = 0;  // line feeds before the outermost "{"

    Tracer* tracer = nullptr;
    u32 mask = 0;
    bool chars_are_units = false;  // the source is a string!: positions count characters
    bool load = true;
    u32 cached_byte = 0;
    u32 cached_char = 0;
    bool stopped = false;  // an error event ended the scan quietly
};

// A fresh unset! cell at the top of the slice, marked as starting a new line when line
// feeds came before its token. The index stays valid; the address only until the next push.
u32 push_cell(Scan& s);
Cell& cell_at(u32 index);

// Raises the syntax error for a token: `invalid` with a datatype, or one of the codes.
constexpr i32 bad_char = -1;
constexpr i32 malconstruct = -2;
constexpr i32 unmatched_closer = -3;
constexpr i32 left_open = -4;
[[noreturn]] void raise_syntax_error(Scan& s, u32 start, i32 type_or_code);
[[noreturn]] inline void raise_invalid(Scan& s, const Token& t, Type type) {
    raise_syntax_error(s, t.start, static_cast<i32>(type));
}

// Fires an event when the callback wants it; answers true when there is none to ask.
bool fire_event(Scan& s, u32 bit, Type type, TokenKind kind, const Cell* value, u32 start,
                u32 end);

// Token loaders: check the token's syntax and, with `build`, push its value. Tokens that
// make no value have none.
using Loader = void (*)(Scan& s, const Token& t, bool build);
Loader loader_for(u8 final_state);

// Word kinds: the datatype a word token makes (raises on a misplaced ":").
Type word_kind(Scan& s, const Token& t);

// Makes the value a "#(...)" construction names, or raises malconstruct.
void load_construction(Scan& s, const Token& t, bool build);
// Makes the braced string spanning [start, end) (its outer braces included).
void load_braced_string(Scan& s, const Token& t, bool build);
// Makes the word a path starts with (the token has no "/").
void load_path_head(Scan& s, const Token& t);

}  // namespace zel::lexer
