#include "runtime/names/context.h"

#include <algorithm>

#include "runtime/core/cell-views.h"
#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/hash/hashtable.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/roots.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/names/word-table.h"
#include "runtime/text/cycle.h"

namespace zel::context {

Node global = 0;

namespace {

constexpr u32 global_size = 4000;
constexpr u32 kind_shift = 11;

Node table_of(Node ctx) { return cell_of(ctx).w1; }

bool on_stack(const Cell& c) { return (c.header & cellflag::context_on_stack) != 0; }

Cell* values_head(Node ctx) {
    const Cell& c = cell_of(ctx);
    return reinterpret_cast<Cell*>(node::buffer(c.w2)->head_ptr());
}

// The slot of a value, or null when the context's values are on the stack and its
// function is not running.
Cell* slot_at(Node ctx, u32 index) {
    const Cell& c = cell_of(ctx);
    if (on_stack(c)) return c.w2 ? hooks::stack_values(c.w2 - 1 + index) : nullptr;
    return values_head(ctx) + index;
}

void append_value(Node ctx, const Cell& value) {
    const Cell copy = value;
    *series_buffer::append_cell(node::buffer(cell_of(ctx).w2)) = copy;
}

u32 index_at_position(Node ctx, i32 position) { return word_at(ctx, 0)[position].w3; }

// Binding asks these of every cell it walks: one table read each.
struct BindingKinds {
    bool word[256] = {};
    bool container[256] = {};
    constexpr BindingKinds() {
        for (Type t : {Type::word, Type::set_word, Type::lit_word, Type::get_word, Type::refinement})
            word[static_cast<u8>(t)] = true;
        for (Type t : {Type::block, Type::paren, Type::path, Type::lit_path, Type::set_path, Type::get_path, Type::hash})
            container[static_cast<u8>(t)] = true;
    }
};
constexpr BindingKinds binding_kinds;

bool is_word_like_for_binding(Type t) { return binding_kinds.word[static_cast<u8>(t)]; }

bool is_bind_container(Type t) { return binding_kinds.container[static_cast<u8>(t)]; }

// Adds a word of the symbol; a new word gets `value` (when given) or unset! as its slot.
u32 add_symbol(Node ctx, u32 sym, const Cell* value) {
    u32 added = 0;
    const i32 found = word_table::find_word(table_of(ctx), sym, true, ctx, &added);
    if (found >= 0) return index_at_position(ctx, found);
    if (!on_stack(cell_of(ctx))) append_value(ctx, value ? *value : unset_cell);
    return added;
}

}  // namespace

Cell& cell_of(Node ctx) { return reinterpret_cast<Cell*>(node::buffer(ctx)->head_ptr())[0]; }
Cell& owner_slot(Node ctx) { return reinterpret_cast<Cell*>(node::buffer(ctx)->head_ptr())[1]; }
u32 kind_of(Node ctx) { return (cell_of(ctx).header & cellflag::context_kind) >> kind_shift; }
Node words_node(Node ctx) { return hashtable::record(table_of(ctx))->data; }

Cell* word_at(Node ctx, u32 index) {
    return reinterpret_cast<Cell*>(node::buffer(words_node(ctx))->head_ptr()) + index;
}

u32 word_count(Node ctx) { return node::buffer(words_node(ctx))->cell_count(); }

void init_global() {
    global = make(global_size, false, false, 0, kind::global);
    // The root block keeps the global context alive.
    *series_buffer::append_cell(roots::block()) = block_cell(global);
}

Node make(u32 size, bool values_on_stack, bool creator_flag, Node source, u32 kind) {
    size = std::max<u32>(size, 1);
    const Node ctx = memory::alloc_cells(2);
    series_buffer::append_cell(node::buffer(ctx));
    series_buffer::append_cell(node::buffer(ctx));
    const Node table = source ? hashtable::clone_word_table(table_of(source))
                              : hashtable::make_table(size, 0, hashtable::kind::words, 0);
    Node values = 0;
    if (!values_on_stack) {
        values = memory::alloc_unset_cells(size);
        if (source) {
            Buffer* b = node::buffer(values);
            b->tail = b->head + word_count(source) * static_cast<u32>(sizeof(Cell));
        }
    }
    u32 header = header_of(Type::context) | (kind << kind_shift);
    if (values_on_stack) header |= cellflag::context_on_stack;
    if (creator_flag) header |= cellflag::context_third;
    cell_of(ctx) = Cell{header, table, values, 0};
    return ctx;
}

Node make_from_spec(const Cell& spec, bool values_on_stack, bool creator_flag, u32 kind) {
    const u32 length = node::buffer(spec.w2)->cell_count();
    const Node ctx = make(length, values_on_stack, creator_flag, 0, kind);
    for (u32 i = 0; i < length; ++i) {
        const Cell item = reinterpret_cast<Cell*>(node::buffer(spec.w2)->head_ptr())[i];
        const Type t = item.type();
        if (t == Type::word || t == Type::get_word || t == Type::lit_word || t == Type::refinement)
            find_or_add_symbol(ctx, item.w2, true);
    }
    if (!values_on_stack) {
        Buffer* values = node::buffer(cell_of(ctx).w2);
        values->tail = values->head + word_count(ctx) * static_cast<u32>(sizeof(Cell));
    }
    return ctx;
}

Node clone(Cell& holder, u32 kind) {
    const Node source = holder.w1;
    const Cell& src = cell_of(source);
    const Node copy = make(word_count(source), on_stack(src), (src.header & cellflag::context_third) != 0, source, kind);
    const u32 n = word_count(copy);
    for (u32 i = 0; i < n; ++i) word_at(copy, i)->w1 = copy;
    holder.w1 = copy;
    return copy;
}

i32 find_symbol(Node ctx, u32 sym, bool any_case) {
    const i32 position = word_table::find_word(table_of(ctx), sym, any_case, 0, nullptr);
    return position < 0 ? -1 : static_cast<i32>(index_at_position(ctx, position));
}

u32 find_or_add_symbol(Node ctx, u32 sym, bool any_case) {
    u32 added = 0;
    const i32 position = word_table::find_word(table_of(ctx), sym, any_case, ctx, &added);
    return position >= 0 ? index_at_position(ctx, position) : added;
}

Cell* value_of_symbol(u32 sym, Node ctx) {
    if (on_stack(cell_of(ctx))) ctx = global;
    const i32 index = find_symbol(ctx, sym, true);
    return index < 0 ? nullptr : slot_at(ctx, static_cast<u32>(index));
}

void global_value(u32 sym, Cell& out) {
    i32 index = find_symbol(global, sym, false);
    if (index < 0) index = static_cast<i32>(make_global_word(sym).w3);
    out = *slot_at(global, static_cast<u32>(index));
}

Cell* global_value_cell(u32 sym) { return value_of_symbol(sym, global); }

Cell intern_global_word(u32 sym, bool any_case, bool keep_spelling) {
    const Node table = table_of(global);
    // One walk answers a name met in no case yet (and adds it), and most names met in their
    // spelling; an exact lookup follows only when a case variant came first.
    u32 added = 0;
    const i32 variant = word_table::find_word(table, sym, true, global, &added);
    if (variant < 0) {
        append_value(global, unset_cell);
        return *word_at(global, added);
    }
    const i32 found = any_case || word_at(global, static_cast<u32>(variant))->w2 == sym
                          ? variant
                          : word_table::find_word(table, sym, false, 0, nullptr);
    if (found >= 0) {
        Cell word = *word_at(global, static_cast<u32>(found));
        if (keep_spelling) word.w2 = sym;
        return word;
    }
    // Case variants share the value slot of the variant already there, whichever of them
    // was interned first.
    word_table::find_word(table, sym, false, global, &added);
    word_at(global, added)->w3 = word_at(global, static_cast<u32>(variant))->w3;
    append_value(global, unset_cell);
    return *word_at(global, added);
}

Cell make_global_word(u32 sym, bool any_case) { return intern_global_word(sym, any_case, true); }

u32 add_word(Node ctx, const Cell& word) { return add_symbol(ctx, word.w2, nullptr); }

Cell* put_value(Node ctx, const Cell& word, const Cell& value) {
    const Cell copy = value;
    const i32 found = find_symbol(ctx, word.w2, true);
    if (found >= 0) {
        Cell* slot = slot_at(ctx, static_cast<u32>(found));
        *slot = copy;
        return slot;
    }
    const u32 index = add_symbol(ctx, word.w2, &copy);
    return slot_at(ctx, index);
}

Cell* set_in(Cell& word, const Cell& value, Node ctx, bool notify) {
    // A word bound to no context (made by `to word!`) has no slot to store into.
    if (!ctx) raise(ErrorId::script_not_defined, &word);
    const Cell new_value = value;
    if (word.w3 == no_index) {
        const i32 found = find_symbol(ctx, word.w2, false);
        word.w3 = found >= 0 ? static_cast<u32>(found) : add_word(ctx, word);
    }
    const u32 index = word.w3;
    Cell* slot = slot_at(ctx, index);
    if (!slot) raise(ErrorId::script_not_defined, &word);
    if (on_stack(cell_of(ctx)) || kind_of(ctx) != kind::object) {
        *slot = new_value;
        return slot;
    }

    word_at(ctx, index)->header |= cellflag::field_assigned;
    const Cell owner = owner_slot(ctx);
    const Cell old_value = *slot;
    *slot = new_value;
    if (!notify || owner.w3 == 0 || !hooks::object_changed) return slot;
    const Cell field = word;
    hooks::object_changed(owner, field, old_value, new_value);
    // The hook runs language code: the values block may have grown or moved.
    return slot_at(ctx, index);
}

Cell* set_word(Cell& word, const Cell& value) { return set_in(word, value, word.w1, true); }

Cell* value_cell(const Cell& word, Node ctx) {
    if (!ctx) raise(ErrorId::script_not_defined, &word);
    if (word.w3 != no_index) {
        Cell* slot = slot_at(ctx, word.w3);
        if (!slot) raise(ErrorId::script_not_in_context, &word);
        return slot;
    }
    if (word.w1 && symbol::canonical_id(word.w2) == symbol::canonical_id(sym::self)) return &owner_slot(word.w1);
    raise(ErrorId::script_no_value, &word);
}

Cell* get_word(const Cell& word) { return value_cell(word, word.w1); }

i32 bind_word(Node ctx, Cell& word) {
    const i32 index = find_symbol(ctx, word.w2, true);
    if (index < 0) return -1;
    word.w1 = ctx;
    word.w3 = static_cast<u32>(index);
    return index;
}

namespace {

// The words of a context small enough to be searched by a walk over their canonical
// symbols, which costs less than a probe of its word table per bound word (a function's
// frame, most objects).
constexpr u32 max_listed_words = 24;

struct WordList {
    u32 count = 0;
    u64 present = 0;  // bit (canonical symbol & 63) of each word: most bound words miss

    u32 canonical[max_listed_words];
    u32 index[max_listed_words];
};

// Lists the context's words when it has few enough; false otherwise.
bool list_words(Node ctx, WordList& list) {
    const u32 n = word_count(ctx);
    if (n > max_listed_words) return false;
    const Cell* words = word_at(ctx, 0);
    for (u32 i = 0; i < n; ++i) {
        list.canonical[i] = symbol::canonical_id(words[i].w2);
        list.index[i] = words[i].w3;
        list.present |= u64{1} << (list.canonical[i] & 63);
    }
    list.count = n;
    return true;
}

// Binds one word as bind_word does: the index of the context's word of the same
// canonical symbol (a context holds one case variant of a name).
void bind_listed(const WordList& list, Node ctx, u32 canonical, Cell& word) {
    if (!(list.present >> (canonical & 63) & 1)) return;
    for (u32 i = 0; i < list.count; ++i) {
        if (list.canonical[i] != canonical) continue;
        word.w1 = ctx;
        word.w3 = list.index[i];
        return;
    }
}

// The canonical symbols of a context too large to be listed, as bits of a filter: a bound
// word whose bit is clear is not in the context, and most words a body holds are not (they
// name global functions), so the word table is probed only for the others. A context of
// more words than this (the global one) is probed for every word: its filter would cost
// more to make than most blocks bound to it take to walk.
constexpr u32 max_filtered_words = 1024;

struct WordFilter {
    static constexpr u32 bits = 4096;
    u64 present[bits / 64];  // cleared by filter_words: a listed context needs none

    void add(u32 canonical) { present[(canonical % bits) / 64] |= u64{1} << (canonical % 64); }
    bool may_hold(u32 canonical) const { return present[(canonical % bits) / 64] >> (canonical % 64) & 1; }
};

void filter_words(Node ctx, WordFilter& filter) {
    std::fill(std::begin(filter.present), std::end(filter.present), u64{0});
    const Cell* words = word_at(ctx, 0);
    for (u32 i = 0, n = word_count(ctx); i < n; ++i) filter.add(symbol::canonical_id(words[i].w2));
}

struct BindWalk {
    Node ctx;
    u32 self_canonical;
    const WordList* list;      // the context's words when it has few
    const WordFilter* filter;  // otherwise, the filter of its words, or null
};

// Binding allocates nothing, so the block's cells stay where they are during the walk.
void bind_walk(const Cell& block, const BindWalk& walk) {
    const Node n = block.w2;
    if (cycle::find(n)) return;
    cycle::Entry guard(n);
    Buffer* const b = node::buffer(n);
    Cell* const cells = reinterpret_cast<Cell*>(b->head_ptr());
    const u32 count = b->cell_count();
    for (u32 i = block.w1; i < count; ++i) {
        Cell& item = cells[i];
        const Type t = item.type();
        if (is_bind_container(t)) {
            const Cell nested = item;
            bind_walk(nested, walk);
        } else if (is_word_like_for_binding(t)) {
            const u32 canonical = symbol::canonical_id(item.w2);
            if (walk.self_canonical && t == Type::word && canonical == walk.self_canonical) {
                item.w1 = walk.ctx;
                item.w3 = no_index;
            } else if (walk.list) {
                bind_listed(*walk.list, walk.ctx, canonical, item);
            } else if (!walk.filter || walk.filter->may_hold(canonical)) {
                bind_word(walk.ctx, item);
            }
        }
    }
}

}  // namespace

void bind_block(const Cell& block, Node ctx, bool self_flag) {
    WordList list;
    WordFilter filter;
    const bool listed = list_words(ctx, list);
    const bool filtered = !listed && word_count(ctx) <= max_filtered_words;
    if (filtered) filter_words(ctx, filter);
    const BindWalk walk{ctx, self_flag ? symbol::canonical_id(sym::self) : 0, listed ? &list : nullptr,
                        filtered ? &filter : nullptr};
    bind_walk(block, walk);
}

bool collect_set_words(Node ctx, Cell& block) {
    const u32 length = node::buffer(block.w2)->cell_count();
    block.w1 = std::min(block.w1, length);
    const u32 before = word_count(ctx);
    for (u32 i = block.w1; i < length; ++i) {
        const Cell item = reinterpret_cast<Cell*>(node::buffer(block.w2)->head_ptr())[i];
        if (item.is(Type::set_word)) add_word(ctx, item);
    }
    return word_count(ctx) > before;
}

}  // namespace zel::context
