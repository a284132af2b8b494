// typeset!: a set of datatypes as a 96-bit map in words 1-3. Type id t is the bit
// 0x80 >> (t & 7) of byte t >> 3, bytes counted in memory order of words 1, 2, 3 (the
// most significant bit of byte 0 is id 0). Bits above the registered ids are carried
// along by every operation but never listed.
#pragma once
#include "runtime/datatypes/action-signatures.h"

namespace zel::typeset {

inline Cell empty() { return Cell{header_of(Type::typeset), 0, 0, 0}; }

bool has(const Cell& set, u32 type_id);
void insert(Cell& set, u32 type_id);
// The number of registered types in the set.
u32 count(const Cell& set);
// Every type but unset!: the type of an argument declared without a type block.
Cell make_default();
// Adds a datatype! (its type) or a typeset! (all of its bits); anything else raises
// script/invalid-arg.
void add(Cell& set, const Cell& value);
// A typeset of the datatypes and typesets of a block, from its position to its tail.
Cell from_block(const Cell& block);
// The value a word of a function spec's type block stands for: its binding, else the
// global word of its name; null when there is neither.
const Cell* spec_word_value(const Cell& word);
// The typeset of a function spec's type block, from its position: a word stands for its
// value (script/no-value without one), and a value that is still a word for object!;
// datatypes and typesets add their types, blocks are skipped, anything else raises
// script/invalid-type-spec.
Cell from_spec_block(const Cell& types);
// A new block! of the datatype! values of the registered types in the set, in id order.
Cell to_block(const Cell& set);
// value1 op value2, value2 a typeset! or a datatype!; the result is left in value1.
Cell* set_operation(SetOp op, Cell* value1, const Cell* value2);

// The typeset of the types in any of the families (bits of type-families.h).
Cell of_families(u32 families);
// Binds each family's global word (number!, any-word!, series!, ...) to its typeset, so
// that the library's typesets are made from the types table.
void set_family_words();

}  // namespace zel::typeset
