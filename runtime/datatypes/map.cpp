// map!'s actions. Lookups go through the table in one of three comparison modes: equal
// (strings and chars without regard to case, words by canonical symbol, any word type as a
// set-word), strict (/case) and same (/same). The data block and the table may move at any
// allocation: hold the map cell and re-read them.
#include "runtime/datatypes/map.h"

#include <algorithm>
#include <optional>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/word.h"
#include "runtime/hash/hashtable.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/text/cycle.h"

namespace zel::map {
namespace {

constexpr u32 dead_value = 0;

Node data_of(const Cell& m) { return as_series(m).node; }
Node table_of(const Cell& m) { return as_series(m).extra; }
Cell data_block(const Cell& m) { return block_cell(data_of(m)); }
u32 cells_of(const Cell& m) { return node::buffer(data_of(m))->cell_count(); }
Cell* cell_of(const Cell& m, u32 i) { return block::cell_at(data_block(m), i); }
bool live(const Cell& m, u32 key) { return cell_of(m, key + 1)->header != dead_value; }

Cell map_cell(Node data, Node table) { return Cell{header_of(Type::map), 0, data, table}; }

i32 mode_of(bool case_, bool same) {
    return same ? compare_code::same : case_ ? compare_code::strict_equal : compare_code::equal;
}

bool word_key(Type t) { return t == Type::word || t == Type::set_word || t == Type::lit_word || t == Type::get_word; }

// The key cell of the pair whose key matches under `mode`: under `=` as find_map_key
// answers, otherwise a live pair's or a dead one's (which a new value revives), else -1.
i32 lookup(const Cell& m, const Cell& key, i32 mode) {
    if (mode == compare_code::equal) return hashtable::find_map_key(table_of(m), key).at;
    return hashtable::find_cell(table_of(m), key, 0, 1, mode, false, false);
}

i32 lookup_live(const Cell& m, const Cell& key, i32 mode) {
    const i32 at = lookup(m, key, mode);
    return at >= 0 && live(m, static_cast<u32>(at)) ? at : -1;
}

bool string_like_key(Type t) { return series::any_string(t) || t == Type::binary; }

// Any other type than a valid key raises script/invalid-path with `culprit` and the key's
// datatype.
void check_key(const Cell& key, const Cell& culprit) {
    if (hashtable::valid_map_key(key.type())) return;
    const Cell type = datatype::of(key.type());
    raise(ErrorId::script_invalid_path, &culprit, &type);
}

// The key as the map stores it, once checked: word types as set-words, string-like keys
// as a private copy from their position.
Cell normalize_key(const Cell& key, const Cell& culprit) {
    check_key(key, culprit);
    Cell k = key;
    if (word_key(k.type())) {
        cell::set_type(&k, Type::set_word);
    } else if (string_like_key(k.type())) {
        Cell copied{};
        series::copy(&k, &copied, nullptr, false, nullptr);
        k = copied;
    }
    return k;
}

// Stores the value of a key, adding the pair when the key is absent.
void set_value(const Cell& m, const Cell& key, const Cell& value, bool case_, const Cell& culprit) {
    const Cell v = value;
    const i32 mode = mode_of(case_, false);
    const bool equal = mode == compare_code::equal;
    const hashtable::MapLookup found = equal ? hashtable::find_map_key(table_of(m), key)
                                             : hashtable::MapLookup{lookup(m, key, mode), 0, hashtable::no_index};
    if (found.at >= 0) {
        hashtable::set_map_value(table_of(m), static_cast<u32>(found.at), v);
        return;
    }
    const Cell k = normalize_key(key, culprit);
    const u32 index = cells_of(m);
    auto* pair = reinterpret_cast<Cell*>(series_buffer::reserve_tail(node::buffer(data_of(m)), 2 * sizeof(Cell)));
    pair[0] = k;
    pair[1] = unset_cell;
    // The walk of a lookup under `=` ended where the new key goes: it is not hashed again.
    const u32 placed = equal ? hashtable::put_new_map_key(table_of(m), index, found)
                             : hashtable::put_absent_map_key(table_of(m), index);
    hashtable::set_map_value(table_of(m), placed, v);
}

// A new block holding what `pick` gives for each live pair, in order.
template <class Take>
Cell collect(const Cell& m, u32 per_pair, Take take) {
    Cell result;
    block::make_at(&result, static_cast<i32>(std::max<u32>(entry_count(m), 1) * per_pair));
    for (u32 i = 0; i + 1 < cells_of(m); i += 2) {
        if (!live(m, i)) continue;
        // Copies: appending may move the map's block.
        const Cell key = *cell_of(m, i);
        const Cell value = *cell_of(m, i + 1);
        take(result, key, value);
    }
    return result;
}

Cell as_word_key(const Cell& key) {
    Cell k = key;
    if (k.is(Type::set_word)) cell::set_type(&k, Type::word);
    return k;
}

bool field_named(const Cell& field, u32 symbol) {
    return word::any_word_type(field.type()) &&
           symbol::canonical_id(as_word(field).symbol) == symbol::canonical_id(symbol);
}

// ---- construction ------------------------------------------------------------------

Cell* from_block(Cell* result, const Cell& spec) {
    if (block::length(spec) % 2 != 0) raise(ErrorId::script_invalid_arg, &spec);
    Cell copied;
    block::clone(spec, false, false, &copied);
    cell::set_type(&copied, Type::block);
    const Node data = as_series(copied).node;
    object::clear_new_line_marks(data);
    for (u32 i = 0; i < node::buffer(data)->cell_count(); i += 2) {
        const Cell key = *block::cell_at(copied, i);
        const Cell k = normalize_key(key, key);
        *block::cell_at(copied, i) = k;
    }
    return make_in_cell(result, data, 0);
}

Cell* convert(Cell* prototype, const Cell* spec, bool make) {
    const Cell s = *spec;
    if (s.is(Type::integer) || s.is(Type::float_)) {
        if (!make) {
            const Cell type = datatype::of(Type::map);
            raise(ErrorId::script_bad_to_arg, &type, &s);
        }
        const double n = s.is(Type::integer) ? integer::get(s) : float_payload(s);
        if (n < 0) raise(ErrorId::script_out_of_range, &s);
        return make_in_cell(prototype, 0, 2 * static_cast<u32>(std::max(std::min(n, 1e9), 1.0)));
    }
    if (s.is(Type::block) || s.is(Type::paren) || s.is(Type::hash)) return from_block(prototype, s);
    if (s.is(Type::map)) {
        Cell source = s;
        return actions_of(s).on_copy(&source, prototype, nullptr, false, nullptr);
    }
    const Cell type = datatype::of(Type::map);
    raise(ErrorId::script_bad_to_arg, &type, &s);
}

Cell* make(Cell* prototype, const Cell* spec, Type) { return convert(prototype, spec, true); }
Cell* to(Cell* prototype, const Cell* spec, Type) { return convert(prototype, spec, false); }

// ---- access ------------------------------------------------------------------------

Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step) {
    const Cell m = *parent;
    const Cell key = *element;
    if (value_to_set) {
        const Cell v = *value_to_set;
        set_value(m, key, v, step.case_, step.path ? *step.path : none_cell);
        *parent = v;
        return parent;
    }
    const i32 at = lookup_live(m, key, mode_of(step.case_, false));
    *parent = at < 0 ? none_cell : *cell_of(m, static_cast<u32>(at) + 1);
    return parent;
}

Cell* put(Cell* m, const Cell* key, const Cell* value, bool case_) {
    const Cell v = *value;
    set_value(*m, *key, v, case_, none_cell);
    *m = v;
    return m;
}

Cell* select(Cell* m, const Cell* key, const FindRefinements& r) {
    const i32 at = lookup_live(*m, *key, mode_of(r.case_, r.same));
    *m = at < 0 ? none_cell : *cell_of(*m, static_cast<u32>(at) + 1);
    return m;
}

Cell* find(Cell* m, const Cell* key, const FindRefinements& r) {
    const i32 at = lookup_live(*m, *key, mode_of(r.case_, r.same));
    *m = at < 0 ? none_cell : as_word_key(*cell_of(*m, static_cast<u32>(at)));
    return m;
}

Cell* remove(Cell* m, const Cell*, const Cell* key) {
    if (!key) raise(ErrorId::script_missing_arg);
    const i32 at = lookup_live(*m, *key, compare_code::equal);
    if (at >= 0) hashtable::delete_cell(table_of(*m), static_cast<u32>(at));
    return m;
}

Cell* clear(Cell* m) {
    hashtable::clear_table(table_of(*m));
    return m;
}

i32 length_q(Cell* m) { return static_cast<i32>(entry_count(*m)); }

Cell* copy(Cell* value, Cell* result, const Cell*, bool deep, const Cell* types) {
    const Cell m = *value;
    const Node data = data_of(m);
    const bool guarded = deep && types;
    if (guarded && cycle::find(data)) {
        cycle::reset();
        raise(ErrorId::internal_no_cycle);
    }
    std::optional<cycle::Entry> guard;
    if (guarded) guard.emplace(data);
    Cell copied;
    block::clone(data_block(m), deep && !types, false, &copied);
    if (types) block::copy_nested(copied, 1, static_cast<u32>(block::length(copied)), 2, *types);
    const Node table = hashtable::copy_table(table_of(m), as_series(copied).node);
    *result = map_cell(as_series(copied).node, table);
    return result;
}

Cell* reflect(Cell* m, const Cell* field) {
    const Cell map = *m;
    if (field_named(*field, sym::words)) {
        *m = collect(map, 1, [](const Cell& b, const Cell& k, const Cell&) { block::append_value(b, as_word_key(k)); });
    } else if (field_named(*field, sym::values)) {
        *m = collect(map, 1, [](const Cell& b, const Cell&, const Cell& v) { block::append_value(b, v); });
    } else if (field_named(*field, sym::body)) {
        *m = body(map);
    } else {
        raise(ErrorId::internal_not_done);
    }
    return m;
}

// ---- comparison --------------------------------------------------------------------

// Whether every live pair of `m1` has an equal pair in `m2`.
bool pairs_match(const Cell& m1, const Cell& m2, bool strict) {
    for (u32 i = 0; i + 1 < cells_of(m1); i += 2) {
        if (!live(m1, i)) continue;
        const Cell key = *cell_of(m1, i);
        const Cell value = *cell_of(m1, i + 1);
        if (strict) {
            const i32 at = lookup_live(m2, key, compare_code::strict_equal);
            if (at < 0) return false;
            const Cell other = *cell_of(m2, static_cast<u32>(at) + 1);
            if (compare_result(value, other, compare_code::strict_equal) != 0) return false;
            continue;
        }
        hashtable::MatchState state;
        bool matched = false;
        for (i32 at; !matched && (at = hashtable::find_next_match(table_of(m2), key, state)) >= 0;) {
            if (!live(m2, static_cast<u32>(at))) continue;
            const Cell other = *cell_of(m2, static_cast<u32>(at) + 1);
            matched = compare_values(value, other, compare_code::equal);
        }
        if (!matched) return false;
    }
    return true;
}

i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (!value2->is(Type::map)) return not_comparable;
    const Cell m1 = *value1;
    const Cell m2 = *value2;
    const Node d1 = data_of(m1);
    const Node d2 = data_of(m2);
    if (code == compare_code::sort || code == compare_code::case_sort) return (d1 > d2) - (d1 < d2);
    if (!compare_code::asks_equality(code)) return not_comparable;
    if (d1 == d2) return 0;
    if (code == compare_code::same) return -1;
    if (cycle::find(d1)) return cycle::find(d2) ? 0 : -1;
    const u32 count = entry_count(m1);
    if (count != entry_count(m2)) return 1;
    if (count == 0) return 0;
    cycle::Entry guard1(d1);
    cycle::Entry guard2(d2);
    return pairs_match(m1, m2, code == compare_code::strict_equal) ? 0 : 1;
}

// ---- form and mold -----------------------------------------------------------------

// Writes the live pairs, each key and value molded: separated by a space when flat, else
// each on a line of its own, indented by `indent` levels when `indenting`.
i32 write_pairs(const Cell& m, Output& out, MoldFlags flags, const Cell* part, i32 limit, bool indenting, i32 indent) {
    cycle::Entry guard(data_of(m));
    const char separator = flags.flat ? ' ' : '\n';
    indenting = indenting && !flags.flat;
    const MoldFlags inner{false, flags.all, flags.flat};
    bool first = true;
    for (u32 i = 0; i + 1 < cells_of(m); i += 2) {
        if (!live(m, i)) continue;
        if (has_part(part) && limit <= 0) break;
        if (!first && !indenting) {
            out.append_char(static_cast<u32>(separator));
            --limit;
        }
        first = false;
        if (indenting) limit = append_indent(out, indent, limit);
        const Cell key = *cell_of(m, i);
        limit = mold_value(key, out, inner, part, limit, indent);
        out.append_char(' ');
        --limit;
        const Cell value = *cell_of(m, i + 1);
        limit = mold_value(value, out, inner, part, limit, indent);
        if (indenting) {
            out.append_char('\n');
            --limit;
        }
    }
    return limit;
}

i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) {
    if (cycle::write_marker_if_seen(*value, as_series(out.value()).node, &limit, false)) return limit;
    return write_pairs(*value, out, MoldFlags{}, part, limit, false, 0);
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    if (cycle::write_marker_if_seen(*value, as_series(out.value()).node, &limit, true)) return limit;
    const Cell m = *value;
    if (!flags.only) limit = append_text(out, "#[", limit);
    if (entry_count(m) != 0) {
        if (!flags.flat && !flags.only) {
            out.append_char('\n');
            --limit;
        }
        limit = write_pairs(m, out, flags, part, limit, !flags.only, indent + 1);
        if (!flags.flat && !flags.only && indent >= 1) limit = append_indent(out, indent, limit);
    }
    if (!flags.only) limit = append_text(out, "]", limit);
    return limit;
}

}  // namespace

u32 entry_count(const Cell& m) { return hashtable::record(table_of(m))->count; }

Cell body(const Cell& m) {
    return collect(m, 2, [](const Cell& b, const Cell& k, const Cell& v) {
        Cell key = k;
        key.header |= cellflag::new_line;
        block::append_value(b, key);
        block::append_value(b, v);
    });
}

bool next_pair(const Cell& m, u32& index, Cell& key, Cell& value) {
    for (; index + 1 < cells_of(m); index += 2) {
        if (!live(m, index)) continue;
        key = as_word_key(*cell_of(m, index));
        value = *cell_of(m, index + 1);
        return true;
    }
    return false;
}

void extend(const Cell& m, const Cell& spec, bool case_) {
    Cell key;
    Cell value;
    if (spec.is(Type::map)) {
        for (u32 i = 0; next_pair(spec, i, key, value); i += 2) set_value(m, key, value, case_, key);
        return;
    }
    if (block::length(spec) % 2 != 0) raise(ErrorId::script_invalid_arg, &spec);
    const u32 tail = series::buffer_length(spec);
    for (u32 i = spec.w1; i < tail; i += 2) check_key(*block::cell_at(spec, i), *block::cell_at(spec, i));
    for (u32 i = spec.w1; i + 1 < series::buffer_length(spec); i += 2) {
        key = *block::cell_at(spec, i);
        value = *block::cell_at(spec, i + 1);
        set_value(m, key, value, case_, key);
    }
}

Cell* make_in_cell(Cell* cell, Node data, u32 size) {
    if (!data) data = memory::alloc_cells(std::max<u32>(size, 2));
    *cell = map_cell(data, 0);
    const Node table = hashtable::make_map_table(data);
    *cell = map_cell(data, table);
    return cell;
}

}  // namespace zel::map

namespace zel {

constinit const ActionRecord map_actions = [] {
    ActionRecord r;
    r.on_make = map::make;
    r.on_to = map::to;
    r.on_reflect = map::reflect;
    r.on_form = map::form;
    r.on_mold = map::mold;
    r.on_eval_path = map::eval_path;
    r.on_compare = map::compare;
    r.on_clear = map::clear;
    r.on_copy = map::copy;
    r.on_find = map::find;
    r.on_length_q = map::length_q;
    r.on_put = map::put;
    r.on_remove = map::remove;
    r.on_select = map::select;
    return r;
}();

}  // namespace zel
