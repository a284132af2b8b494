// map!: a dictionary of key/value pairs over a block (word 2) indexed by a map! hash
// table (word 3). Pairs keep their order of entry; a removed pair stays dead in the block
// (its value header 0) until the table next grows, and every reader skips it.
#pragma once
#include "runtime/datatypes/action-signatures.h"

namespace zel::map {

// Live pairs.
u32 entry_count(const Cell& m);
// A new block of the live pairs, key then value, each key opening a line: what `reflect`
// answers for `body`, and what a block is made of from a map.
Cell body(const Cell& m);
// Makes `cell` a map! over `data`, a block of key/value pairs whose keys are valid and
// private (0: a new block with room for `size` cells): repeated keys keep the later value
// in the first pair and word keys are stored as set-words.
Cell* make_in_cell(Cell* cell, Node data, u32 size);
// The live pair at or after the data block's cell `index` (a key index): its key (a
// set-word key as a word) and value, and `index` moved to it; false when none is left.
bool next_pair(const Cell& m, u32& index, Cell& key, Cell& value);
// The native `extend`: every pair of `spec` (a block! or hash! of keys and values, whose
// length must be even, or another map!) stored as `put` stores it, case-sensitively with
// `case_`. Every key is checked before any is stored.
void extend(const Cell& m, const Cell& spec, bool case_);

}  // namespace zel::map
