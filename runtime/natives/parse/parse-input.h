// What `parse` does with its input, for each kind of series: string-like text and
// binary! (both fixed-width units) and block-like series (cells). The engine names
// positions by index only; every routine here reads the buffer afresh, so an input that a
// rule changed or moved is always seen as it is now.
#pragma once
#include "runtime/core/cell.h"

namespace zel::parse {

enum class InputKind { text, bytes, cells };

InputKind kind_of(Type t);

// Units or cells in the input's buffer, counted from its head.
u32 tail_of(const Cell& input);

// How many units the literal rule value matches at `at` (matching may not pass `end`), or
// -1 when it does not match. `strict` compares letters case-sensitively.
i64 match_literal(const Cell& input, u32 at, u32 end, const Cell& rule, bool strict);

// Whether the value at `at` in a block-like input is of the datatype or in the typeset.
bool match_type(const Cell& input, u32 at, const Cell& rule);

// Whether a literal rule can be searched for in the input by `to` and `thru`.
bool searchable(const Cell& input, const Cell& rule);

// The first position from `from` at which the rule matches before `end`, with the units
// it covers; at == -1 when there is none.
struct Found {
    i64 at = -1;
    u32 length = 0;
};
Found search(const Cell& input, u32 from, u32 end, const Cell& rule, bool strict);

// The value at `at`: a char! of text, an integer! byte of a binary!, a block's cell.
Cell element(const Cell& input, u32 at);

// A new series of the input's type holding the units from `from` to `to` (both cut to
// the tail).
Cell copy_range(const Cell& input, u32 from, u32 to);

// Removes the units from `from` to `to` (cut to the tail).
void remove_range(const Cell& input, u32 from, u32 to);

// Inserts the value at `at` (a block as one value with `only`); returns how many units
// were inserted.
u32 insert_at(const Cell& input, u32 at, const Cell& value, bool only);

}  // namespace zel::parse
