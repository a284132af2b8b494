// What `parse` does with its input, for each kind of series: string-like text and
// binary! (both fixed-width units) and block-like series (cells). The engine names
// positions by index only; every routine here reads the buffer afresh, so an input that a
// rule changed or moved is always seen as it is now.
#pragma once
#include <cstring>

#include "runtime/core/cell-views.h"
#include "runtime/core/cell.h"
#include "runtime/memory/buffer.h"
#include "runtime/memory/node.h"
#include "runtime/names/symbol.h"

namespace zel::parse {

enum class InputKind { text, bytes, cells };

InputKind kind_of(Type t);

// Units or cells in the input's buffer, counted from its head.
inline u32 tail_of(const Cell& input) {
    const Buffer* b = node::buffer(as_series(input).node);
    return b->used() >> b->shift();
}

// Whether a word of the input has the symbol a lit-word rule names (letter case aside
// unless `strict`).
inline bool same_word(u32 word, u32 rule, bool strict) {
    return word == rule || (!strict && symbol::canonical_id(word) == symbol::canonical_id(rule));
}

// How many units the literal rule value matches at `at` (matching may not pass `end`), or
// -1 when it does not match. `strict` compares letters case-sensitively.
i64 match_literal(const Cell& input, u32 at, u32 end, const Cell& rule, bool strict);

// A run of matches of one literal rule from `at`: at most `max` of them, none passing
// `end`; a match of no units ends the run after counting once.
struct Run {
    u32 count = 0;
    u32 end = 0;  // where the last match ended
};
Run match_run(const Cell& input, u32 at, u32 end, const Cell& rule, bool strict, u32 max);

// How many units a datatype or typeset rule matches at `at` (not passing `end`), or -1.
// In a block-like input the value there is tested; in a binary! one value is scanned from
// its bytes with the lexer and the bytes it took are matched when its datatype fits (bytes
// that are not valid source, or hold no value, do not match).
i64 match_type(const Cell& input, u32 at, u32 end, const Cell& rule);

// Whether a literal rule can be searched for in the input by `to` and `thru`.
bool searchable(const Cell& input, const Cell& rule);

// The first position from `from` at which the rule matches before `end`, with the units
// it covers; at == -1 when there is none.
struct Found {
    i64 at = -1;
    u32 length = 0;
};
Found search(const Cell& input, u32 from, u32 end, const Cell& rule, bool strict);

// The first position from `from` (before `end`) of the character `c` in input of one-byte
// units (text or binary!), read straight from the buffer: -1 when it is not there, -2 when
// the input or the character needs `search` (wider units, letters in either case).
inline i64 find_char(const Cell& input, u32 from, u32 end, u32 c, bool strict) {
    Buffer* const b = node::buffer(as_series(input).node);
    const u32 folded = c | 0x20;
    if (b->unit() != 1 || c > 0xFF ||
        (!strict && !input.is(Type::binary) && (c >= 0x80 || (folded >= 'a' && folded <= 'z'))))
        return -2;
    const u32 last = end < b->used() ? end : b->used();
    if (from >= last) return -1;
    const void* hit = std::memchr(b->head_ptr() + from, static_cast<int>(c), last - from);
    return hit ? static_cast<const u8*>(hit) - b->head_ptr() : -1;
}

// The value at `at`: a char! of text, an integer! byte of a binary!, a block's cell.
Cell element(const Cell& input, u32 at);

// A new series of the input's type holding the units from `from` to `to` (both cut to
// the tail; empty when `to` lies before `from`, as after a rule moved the input back).
Cell copy_range(const Cell& input, u32 from, u32 to);

// Removes the units from `from` to `to` (cut to the tail).
void remove_range(const Cell& input, u32 from, u32 to);

// Inserts the value at `at` (a block as one value with `only`); returns how many units
// were inserted.
u32 insert_at(const Cell& input, u32 at, const Cell& value, bool only);

}  // namespace zel::parse
