// Contexts: the namespaces that give words their values. A context is a series of two
// cells, the `context!` cell (word 1 its kind-2 word table, whose data block is the words
// block; word 2 its values block, or for a running function the evaluation-stack position
// of its first value + 1, 0 when not running) and the owner slot that answers `self`.
// Word i of the words block names value slot i; a bound word holds (context node, index).
// Value slots move with their block: get them again after anything that may allocate.
#pragma once
#include "runtime/core/cell.h"

namespace zel::context {

namespace kind {
constexpr u32 global = 0;
constexpr u32 function = 1;
constexpr u32 object = 2;
}  // namespace kind

constexpr u32 no_index = 0xFFFFFFFF;  // word 3 of a word whose slot is looked up on first use

// The global context's node (room for 4000 words, kind 0), made by init_global.
extern Node global;
void init_global();

Node make(u32 size, bool on_stack, bool creator_flag, Node source, u32 kind);
Node make_from_spec(const Cell& spec, bool on_stack, bool creator_flag, u32 kind);
// Makes a copy of the context in `holder` (its node in word 1) with the same words at
// the same indexes, rebinds the copy's words to it and stores the new node in `holder`.
Node clone(Cell& holder, u32 kind);

// The context! cell and the owner slot; valid until the next allocation.
Cell& cell_of(Node ctx);
Cell& owner_slot(Node ctx);
u32 kind_of(Node ctx);
Node words_node(Node ctx);
Cell* word_at(Node ctx, u32 index);
u32 word_count(Node ctx);

i32 find_symbol(Node ctx, u32 symbol, bool any_case);
// Finds the symbol's word, adding a word bound here when absent; returns its index.
u32 find_or_add_symbol(Node ctx, u32 symbol, bool any_case);
Cell* value_of_symbol(u32 symbol, Node ctx);
// Copies the global value of the symbol (its word made first when absent) into `out`.
void global_value(u32 symbol, Cell& out);
// The symbol's global value slot (any case variant), or null when no variant is there.
Cell* global_value_cell(u32 symbol);

// The global word of a symbol in its exact spelling, added (with an unset! value) when
// absent. A case variant of a word already there shares that word's value slot. With
// `keep_spelling`, a variant found by an any-case lookup is answered with the caller's
// symbol and the variant's binding.
Cell intern_global_word(u32 symbol, bool any_case, bool keep_spelling);
Cell make_global_word(u32 symbol, bool any_case = false);

// Adds the word's symbol (any case) when absent, with an unset! slot; returns its index.
u32 add_word(Node ctx, const Cell& word);
Cell* put_value(Node ctx, const Cell& word, const Cell& value);

// Stores a copy of the value in the word's slot of `ctx`, looking up (and adding) a word
// whose index is not known yet. In an object context the field is marked assigned and,
// with `notify`, the object's on-change* runs after the store. Returns the slot as it is
// after the hook.
Cell* set_in(Cell& word, const Cell& value, Node ctx, bool notify);
Cell* set_word(Cell& word, const Cell& value);
Cell* value_cell(const Cell& word, Node ctx);
Cell* get_word(const Cell& word);

// Binds the word when the context has a case variant of its symbol; returns the index
// or -1 (the word unchanged).
i32 bind_word(Node ctx, Cell& word);
// Binds every word of the block from its position, descending into nested blocks, parens,
// paths and hashes once each. With `self_flag` the word `self` is bound to the owner slot.
void bind_block(const Cell& block, Node ctx, bool self_flag);
// Adds the symbol of every set-word of the block from its position (clamped to its tail,
// written back); true when the context grew.
bool collect_set_words(Node ctx, Cell& block);

}  // namespace zel::context
