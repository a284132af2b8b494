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

// Characters from the position to the tail. A position past the tail is first moved back
// to the tail, in the value.
u32 length(Cell& value);
// Characters from head to tail, whatever the position.
u32 total_length(const Cell& value);
bool at_tail(const Cell& value);
// The code point n characters after the head; the position is not used.
u32 char_at_head(const Cell& value, u32 n);

// Empties the string in place: 1-byte units, no characters, position 0.
void reset(Cell& value);
// Moves the position by n characters, kept between the head and the tail.
void advance(Cell& value, i32 n);

// Stores cp as character i from the head, widening the units first when they cannot hold
// it and growing the series when i lies beyond its room. A tail before i + 1 moves to
// i + 1; characters between the old tail and i become NUL.
void poke_char_at(Node str, u32 i, u32 cp);
// Stores cp as character i from the head (within the series' room), widening first when
// needed; the tail does not move.
void write_char(Node str, u32 i, u32 cp);
// Inserts cp before character i (the tail when i lies beyond it), moving the rest up.
void insert_char_at(Node str, u32 i, u32 cp);
// Removes n characters from character i of the series (both cut to the tail).
void remove_chars(const Cell& value, u32 i, u32 n);

// Moves n characters from the source's position to the destination's position (the core
// of `move` for strings). Within one series the destination is read before the move;
// a destination inside the moved characters leaves the series as it was.
void move_chars(const Cell& source, const Cell& destination, u32 n);

// Copies `count` characters from character `start` of `source` into `target` from
// character `at`, first widening the target to the source's width when it is narrower.
// A target of 0 is a new series of the source's width holding just the copy. With
// `set_tail` the target's tail is put just after the copy. Returns the target.
Node copy_widening(Node source, u32 start, u32 count, Node target, u32 at, bool set_tail);

// Exchanges the adjacent regions of `first` characters and `second` characters that start
// at character `start`, in place.
void swap_regions(Node str, u32 start, u32 first, u32 second);

}  // namespace zel::string
