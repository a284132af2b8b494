// Word tables: the hash tables of kind 2. The symbol table's data block holds the
// `symbol!` records; a context's word table indexes its words block of word cells. Names
// compare with ASCII letters folded, so all case variants of a name meet in one bucket
// chain. Entries are never deleted, so a probe walk ends at an empty bucket, which growth
// keeps available.
#pragma once
#include "runtime/hash/hashtable.h"

namespace zel::word_table {

// The one interning routine: finds the symbol of a name, or adds it to the
// symbol table's block. Exact mode keeps every spelling as its own symbol, a new case
// variant aliased to the canonical symbol of its first variant met; any-case mode returns
// an existing variant when there is one. Returns the 1-based symbol id.
u32 intern_symbol(Node table, const u8* name, u32 length, bool any_case);
// Finds the word of `symbol` in a context's word table: the same spelling, or with
// `any_case` any case variant. Returns the word's position in the words block (its slot
// index is its word 3). When absent: -1, and with a context node given a word bound to it
// is added, its position (and slot index) stored in *added.
i32 find_word(Node table, u32 symbol, bool any_case, Node context, u32* added);
// Case-insensitive comparison of ASCII letters (exact: byte comparison); true when equal.
bool name_equal(const u8* a, const u8* b, u32 length, bool exact);

}  // namespace zel::word_table
