#include "runtime/datatypes/ownership.h"

#include "runtime/datatypes/series.h"
#include "runtime/hash/hashtable.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/node.h"
#include "runtime/names/context.h"
#include "runtime/text/cycle.h"

namespace zel::ownership {

DeepChangeHook deep_change_hook = nullptr;

namespace {

Node owned_table = 0;

constexpr u32 initial_entries = 1000;
constexpr u32 value_cells = 3;  // the owned value, the owner object, the field word

bool is_object(Type t) { return t == Type::object || t == Type::error || t == Type::port; }

bool marked(const Cell& v) {
    if (v.is(Type::image)) return (v.header & cellflag::owns_series) != 0;
    return owned(node::buffer(v.w2));
}

void set_mark(Cell& v, bool on) {
    if (v.is(Type::image)) {
        v.header = on ? v.header | cellflag::owns_series : v.header & ~cellflag::owns_series;
        return;
    }
    Buffer* b = node::buffer(v.w2);
    b->flags = on ? b->flags | bufferflag::owned : b->flags & ~bufferflag::owned;
}

void record(const Cell& v, const Cell& owner, const Cell& word) {
    const Cell entry[value_cells] = {v, owner, word};
    Cell* cells = hashtable::put_int_key(owned_table, v.w2);
    for (u32 i = 0; i < value_cells; ++i) cells[i] = entry[i];
}

u32 block_length(Node n) { return node::buffer(n)->cell_count(); }
Cell* block_cell(Node n, u32 i) { return reinterpret_cast<Cell*>(node::buffer(n)->head_ptr()) + i; }

// Claims or releases each cell of a block from `from` in a copy written back after it:
// recording an entry allocates, which may move any buffer.
template <class Step>
void each_cell(Node n, u32 from, Step step) {
    for (u32 i = from; i < block_length(n); ++i) {
        Cell c = *block_cell(n, i);
        step(c);
        if (i < block_length(n)) *block_cell(n, i) = c;
    }
}

void claim_object(const Cell& object, const Cell& owner) {
    const Node ctx = object.w1;
    if ((context::cell_of(ctx).header & cellflag::owns_series) != 0 || cycle::find(ctx)) return;
    cycle::Entry guard(ctx);
    u32 i = 0;
    each_cell(context::cell_of(ctx).w2, 0, [&](Cell& value) {
        const Cell word = *context::word_at(ctx, i++);
        if (!is_object(value.type()) || value.w1 != owner.w1) claim(value, owner, word);
    });
}

void release_object(const Cell& object) {
    const Node ctx = object.w1;
    if ((context::cell_of(ctx).header & cellflag::owns_series) != 0 || cycle::find(ctx)) return;
    cycle::Entry guard(ctx);
    each_cell(context::cell_of(ctx).w2, 0, [](Cell& c) { release(c); });
}

// The collector keeps the table's own series but not what its entries name: an owned
// series lives only while something else holds it, and an entry dies with its series or
// with its owner object.
void mark_table(void*) {
    if (owned_table) gc::mark_node(owned_table);
}

void drop_dead_entries(void*) {
    if (!owned_table) return;
    constexpr u32 entry_cells = 1 + value_cells;  // the key cell, then the values
    Buffer* data = node::buffer(hashtable::record(owned_table)->data);
    const auto* first = reinterpret_cast<const Cell*>(data->head_ptr());
    const u32 entries = data->cell_count() / entry_cells;
    for (u32 e = 0; e < entries; ++e) {
        const Cell* entry = first + e * entry_cells;
        if (!entry[0].is(Type::unset)) continue;  // a deleted entry
        const Node series = entry[0].w1;
        const Cell& owned = entry[1];
        const Cell& owner = entry[2];
        const bool series_alive = gc::is_marked(series);
        if (series_alive && gc::is_marked(owner.w1)) continue;
        if (series_alive && !owned.is(Type::image)) node::buffer(series)->flags &= ~bufferflag::owned;
        hashtable::delete_int_key(owned_table, series);
    }
}

}  // namespace

void init() {
    owned_table = hashtable::make_table(initial_entries, 0, hashtable::kind::ownership, value_cells);
    gc::remove_mark_callback(mark_table);
    gc::add_mark_callback(mark_table);
    gc::remove_weak_callback(drop_dead_entries);
    gc::add_weak_callback(drop_dead_entries);
}

void claim(Cell& value, const Cell& owner, const Cell& word) {
    const Type t = value.type();
    if (is_object(t)) {
        claim_object(value, owner);
        return;
    }
    if (t == Type::bitset || series::any_series(t)) {
        if (!marked(value)) {
            set_mark(value, true);
            record(value, owner, word);
        }
    }
    if (!series::any_block(t) || cycle::find(value.w2)) return;
    cycle::Entry guard(value.w2);
    each_cell(value.w2, value.w1, [&](Cell& c) { claim(c, owner, word); });
}

void claim_for_object(Cell& value, const Cell& owner, const Cell& word) {
    claim(value, owner, word);
    context::cell_of(owner.w1).header |= cellflag::owns_series;
}

void release(Cell& value) {
    const Type t = value.type();
    if (is_object(t)) {
        release_object(value);
        return;
    }
    if (t != Type::bitset && !series::any_series(t)) return;
    set_mark(value, false);
    if (!owned_table) return;
    Cell* entry = hashtable::delete_int_key(owned_table, value.w2);
    if (!entry) return;
    for (u32 i = 0; i < value_cells; ++i) entry[i].header = header_of(Type::unset);
    if (series::any_block(t)) each_cell(value.w2, value.w1, [](Cell& c) { release(c); });
}

const Cell* owner_of(Node n) {
    if (!owned_table) return nullptr;
    const Cell* entry = hashtable::get_int_key(owned_table, n);
    return entry ? entry + 1 : nullptr;
}

bool notify(const Cell& changed, const Cell* action, const Cell& new_value, i32 index, i32 part) {
    const bool object = is_object(changed.type());
    if (!owned_table || (!object && !marked(changed))) return false;
    const Cell* entry = hashtable::get_int_key(owned_table, object ? changed.w1 : changed.w2);
    if (!entry || entry[1].w3 == 0 || !deep_change_hook) return false;
    // The hook runs language code: it gets copies, never cells of a series.
    const Cell owner = entry[1];
    const Cell word = entry[2];
    const Cell target = changed;
    const Cell what = *action;
    const Cell value = new_value;
    deep_change_hook(owner, word, target, what, value, index, part);
    return true;
}

}  // namespace zel::ownership
