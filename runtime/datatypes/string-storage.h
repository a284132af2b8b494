// The storage of string-like values: a string value is a position over a series of 1-, 2-
// or 4-byte units, and these routines make, measure and edit such series in place. They
// take nodes and indexes, never unit addresses, because widening and growth move buffers.
#pragma once
#include "runtime/core/cell.h"
#include "runtime/text/string-units.h"

namespace zel::string {

// Makes `cell` an empty string! over a new series of n units of `width` bytes (1 when n
// is 0).
void make_at(Cell& cell, u32 n);
void make_at_width(Cell& cell, u32 n, u32 width);

// The text a string-like value or a symbol! stands for, as a string! cell: a string-like
// value as it is, a symbol by its string form at position 0 (made from its name when the
// record has none yet, which allocates).
Cell text_of(const Cell& value);

// The characters of a text from its position (none past the tail); valid until the next
// allocation.
inline unicode::Units units_from_position(const Cell& text) { return unicode::units_of(text, -1); }
inline u32 unit_at(const unicode::Units& units, u32 i) {
    return unicode::read_unit(units.start + u64{i} * units.unit, units.unit);
}

// Characters from head to tail, whatever the position.
u32 total_length(const Cell& value);
// The code point n characters after the head; the position is not used.
u32 char_at_head(const Cell& value, u32 n);

// Stores cp as character i from the head (within the series' room), widening first when
// needed; the tail does not move.
void write_char(Node str, u32 i, u32 cp);
// Removes n characters from character i of the series (both cut to the tail).
void remove_chars(const Cell& value, u32 i, u32 n);

}  // namespace zel::string
