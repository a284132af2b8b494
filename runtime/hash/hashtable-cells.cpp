// Tables over blocks of cells: `hash!` (kind 0) and `map!` (kind 1). Keys are compared
// by their type's compare action; they hash through hash_cell, folded, so a lookup under
// any comparison mode walks the one probe sequence that holds every candidate.
//
// Each bucket holds two words: the key's cell index and the key's hash (slot_words).
//
// hash!: equal keys (same type, strictly equal) share one bucket through a chain array of
// cell indexes (the bucket's key is minus the chain's 1-based number); the index array
// maps each cell to its bucket + 1.
// map!: keys and values alternate in the data block; a removed pair keeps its bucket with
// a value header of 0 until the table grows, when dead pairs are dropped from the block.
#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/core/compare-codes.h"
#include "runtime/core/hooks.h"
#include "runtime/hash/hashtable.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"

namespace zel::hashtable {
namespace {

constexpr u32 dead_value = 0;

Cell* data_cells(const Record* r) { return reinterpret_cast<Cell*>(node::buffer(r->data)->head_ptr()); }
u32 data_length(const Record* r) { return node::buffer(r->data)->cell_count(); }

Node* chain_nodes(const Record* r) { return reinterpret_cast<Node*>(node::buffer(r->chains)->head_ptr()); }
u32& slot_key(const Record* r, u32 bucket) { return keys_of(r)[2 * bucket]; }
u32 slot_hash(const Record* r, u32 bucket) { return keys_of(r)[2 * bucket + 1]; }

u32* chain_of(const Record* r, u32 key) {
    return reinterpret_cast<u32*>(node::buffer(chain_nodes(r)[-static_cast<i32>(key) - 1])->head_ptr());
}
u32 chain_length(const Record* r, u32 key) {
    return node::buffer(chain_nodes(r)[-static_cast<i32>(key) - 1])->used() / 4;
}
bool is_chain(u32 key) { return static_cast<i32>(key) < 0; }

// The cell index standing for a bucket's key: the cell itself or its chain's first.
u32 representative(const Record* r, u32 key) { return is_chain(key) ? chain_of(r, key)[0] : key; }

u32* index_array(const Record* r) { return reinterpret_cast<u32*>(node::buffer(r->aux)->head_ptr()); }

// Grows the index array, new places indexing no cell, until it holds `cells` cells.
u32* index_array_for(Node table, u32 cells) {
    Buffer* b = node::buffer(record(table)->aux);
    if (cells * 4 > b->size) b = series_buffer::expand_filled(b, std::max<u32>(2 * b->size, cells * 8), 0xFF);
    return reinterpret_cast<u32*>(b->head_ptr());
}

void set_cell_bucket(Node table, u32 index, u32 value) { index_array_for(table, index + 1)[index] = value; }

// Word keys of a map are stored, and looked up, as set-words.
Cell map_key(const Cell& key) {
    Cell k = key;
    const Type t = k.type();
    if (t == Type::word || t == Type::lit_word || t == Type::get_word) cell::set_type(&k, Type::set_word);
    return k;
}

// Adds a cell index to a bucket that holds an equal key, making a chain when needed.
void join_bucket(Node table, u32 bucket, u32 index) {
    const u32 key = slot_key(record(table), bucket);
    if (is_chain(key)) {
        u8* at = series_buffer::reserve_tail(node::buffer(chain_nodes(record(table))[-static_cast<i32>(key) - 1]), 4);
        std::memcpy(at, &index, 4);
        return;
    }
    const Node chain = memory::alloc_units(4, 4);
    Buffer* c = node::buffer(chain);
    const u32 members[2] = {key, index};
    std::memcpy(c->head_ptr(), members, sizeof members);
    c->tail = c->head + sizeof members;
    u8* slot = series_buffer::reserve_tail(node::buffer(record(table)->chains), 4);
    std::memcpy(slot, &chain, 4);
    const u32 number = node::buffer(record(table)->chains)->used() / 4;
    slot_key(record(table), bucket) = static_cast<u32>(-static_cast<i32>(number));
}

struct Slot {
    u32 bucket;
    bool found;
};

// A table's arrays as a walk over its buckets reads them, kept in locals. A comparison
// through a type's compare action may run language code, which may move them: matches()
// reads them again after one.
struct Walk {
    Node table;
    const Record* r;
    const u32* flags;
    const u32* slots;
    const Cell* cells;

    explicit Walk(Node t) : table(t) { refresh(); }
    void refresh() {
        r = record(table);
        flags = flags_of(r);
        slots = keys_of(r);
        cells = data_cells(r);
    }
    // The first bucket of a walk: its slot is fetched while its flags are read, the two
    // being apart in memory (in a large table each read would otherwise wait on its own).
    Probe start(u32 hash) const {
        const Probe p(hash, r->buckets);
        __builtin_prefetch(slots + 2 * p.at());
        return p;
    }
    u32 state(u32 bucket) const { return bucket_state(flags, bucket); }
    u32 key(u32 bucket) const { return slots[2 * bucket]; }
    u32 hash(u32 bucket) const { return slots[2 * bucket + 1]; }
    // Whether the cell at `at` answers `wanted` under comparison `mode`: integers, the
    // most common keys, compare here.
    bool matches(u32 at, const Cell& wanted, i32 mode) {
        if (cells[at].is(Type::integer) && wanted.is(Type::integer)) return cells[at].w2 == wanted.w2;
        const Cell stored = cells[at];
        const bool m = key_matches(stored, wanted, mode);
        refresh();
        return m;
    }
};

// The bucket whose key (of hash `hash`) equals `key` strictly and has its type, or the
// bucket a new key goes to.
Slot probe_equal(Node table, const Cell& key, u32 hash) {
    Walk w(table);
    u32 free_bucket = no_index;
    for (Probe p = w.start(hash); p.more(); p.next()) {
        const u32 state = w.state(p.at());
        if (state == bucket::empty) return {free_bucket != no_index ? free_bucket : p.at(), false};
        if (state == bucket::deleted) {
            if (free_bucket == no_index) free_bucket = p.at();
            continue;
        }
        if (w.hash(p.at()) != hash) continue;
        const u32 at = representative(w.r, w.key(p.at()));
        if (w.cells[at].type() == key.type() && w.matches(at, key, compare_code::strict_equal))
            return {p.at(), true};
    }
    return {free_bucket, false};
}

// The bucket a key known to be absent goes to: the first one not live on its probe path.
Slot probe_free(const Record* r, u32 hash) {
    for (Probe p(hash, r->buckets); p.more(); p.next())
        if (bucket_state(flags_of(r), p.at()) != bucket::live) return {p.at(), false};
    return {no_index, false};
}

// Every bucket empty, `buckets` of them: the arrays are emptied in place when their
// size stays, so a table whose keys come and go does not churn the collector.
void reset_arrays(Node table, u32 buckets) {
    if (buckets == record(table)->buckets) {
        Record* r = record(table);
        fill_flags_empty(r->flags);
        r->count = r->occupied = 0;
        return;
    }
    Node flags = alloc_flags(buckets);
    Node keys = alloc_slots(buckets, record(table)->kind);
    Record* r = record(table);
    r->flags = flags;
    r->keys = keys;
    r->buckets = buckets;
    r->upper = upper_bound_of(buckets);
    r->count = r->occupied = 0;
}

// Every live bucket moves into `buckets` buckets with the hash it holds (for hash!, the
// index entries of its cells follow it); deleted buckets are dropped. No key is hashed or
// compared again.
void grow_table(Node table, u32 buckets) {
    const Node flags = alloc_flags(buckets);
    const Node keys = alloc_slots(buckets, record(table)->kind);
    // No allocation from here on: the old arrays, still the record's, are read directly.
    Record* r = record(table);
    const u32* old_flags = flags_of(r);
    const u32* old_slots = keys_of(r);
    u32* new_flags = reinterpret_cast<u32*>(node::buffer(flags)->head_ptr());
    u32* new_slots = reinterpret_cast<u32*>(node::buffer(keys)->head_ptr());
    u32* index = r->kind == kind::hash ? index_array(r) : nullptr;
    for (u32 b = 0; b < r->buckets; ++b) {
        if (bucket_state(old_flags, b) != bucket::live) continue;
        const u32 key = old_slots[2 * b];
        const u32 hash = old_slots[2 * b + 1];
        Probe p(hash, buckets);
        while (bucket_state(new_flags, p.at()) != bucket::empty) p.next();
        set_bucket_state(new_flags, p.at(), bucket::live);
        new_slots[2 * p.at()] = key;
        new_slots[2 * p.at() + 1] = hash;
        if (!index) continue;
        if (!is_chain(key)) {
            index[key] = p.at() + 1;
            continue;
        }
        const u32 n = chain_length(r, key);
        const u32* members = chain_of(r, key);
        for (u32 c = 0; c < n; ++c) index[members[c]] = p.at() + 1;
    }
    r->flags = flags;
    r->keys = keys;
    r->buckets = buckets;
    r->upper = upper_bound_of(buckets);
    r->occupied = r->count;
}

// Drops the dead pairs of a map's data block and enters the keys of the first `entered`
// cells left (the pairs entered so far) again into `buckets` buckets, each with the hash
// its bucket held; the key at `index`, not entered yet, has hash `hash`.
void reindex_map(Node table, u32 buckets, u32 entered, u32 index, u32 hash, bool any_dead) {
    // The hash of each pair, by pair number; the dead pairs' are dropped with them.
    std::vector<u32> hashes(data_length(record(table)) / 2 + 1, 0);
    {
        const Record* r = record(table);
        const u32* flags = flags_of(r);
        for (u32 b = 0; b < r->buckets; ++b)
            if (bucket_state(flags, b) == bucket::live) hashes[slot_key(r, b) / 2] = slot_hash(r, b);
        hashes[index / 2] = hash;
    }
    if (any_dead) {
        Record* r = record(table);
        Buffer* b = node::buffer(r->data);
        Cell* cells = data_cells(r);
        const u32 length = data_length(r) & ~1u;
        u32 kept = 0;
        for (u32 i = 0; i < length; i += 2) {
            if (cells[i + 1].header == dead_value) continue;
            cells[kept] = cells[i];
            cells[kept + 1] = cells[i + 1];
            hashes[kept / 2] = hashes[i / 2];
            kept += 2;
        }
        b->tail = b->head + kept * static_cast<u32>(sizeof(Cell));
    }
    reset_arrays(table, buckets);
    // The keys are distinct: each goes to the first free bucket of its path, unread.
    for (u32 i = 0; i < entered; i += 2) {
        const Slot s = probe_free(record(table), hashes[i / 2]);
        mark_live(table, s.bucket, i, hashes[i / 2]);
    }
}

// Before a map grows, its dead pairs leave the block: a map whose keys come and go keeps
// the size its live pairs need. The key at `index` (of hash `hash`) is entered with the
// others; returns its index once the dead pairs before it left.
u32 grow_map(Node table, u32 index, u32 hash) {
    const Record* r = record(table);
    // The pairs before `index` are all entered: as many as are live, none is dead.
    const bool any_dead = 2 * r->count != index;
    const bool crowded = 2 * r->count >= r->upper;
    if (!any_dead && crowded) {
        // Nothing to drop: the buckets move as they are, and the key takes the first free
        // bucket of its path in the larger table.
        grow_table(table, r->buckets * 2);
        mark_live(table, probe_free(record(table), hash).bucket, index, hash);
        return index;
    }
    u32 dead_before = 0;
    for (u32 i = 0; any_dead && i < index; i += 2)
        if (data_cells(r)[i + 1].header == dead_value) dead_before += 2;
    reindex_map(table, crowded ? r->buckets * 2 : r->buckets, index - dead_before + 2, index, hash, any_dead);
    return index - dead_before;
}

// The bucket count of a hash! table rebuilt for `size` cells over a block of `length`.
u32 hash_buckets(u32 size, u32 length) {
    return std::max<u32>(next_pow2(static_cast<u32>(std::max(size, length) * 1.5)), 4);
}

bool in_steps(u32 index, u32 start, u32 skip, bool reverse) {
    if (reverse) return index < start && (start - index) % skip == 0;
    return index >= start && (index - start) % skip == 0;
}

// The better of two candidate cell indexes for a search (no_index: none yet).
u32 better(u32 best, u32 candidate, bool last, bool reverse) {
    if (best == no_index) return candidate;
    return last || reverse ? std::max(best, candidate) : std::min(best, candidate);
}

// Gives the cells of [lo, hi) that the table indexes their new places `to(i)`: stored
// indexes change, chains included, each bucket once however many of its cells lie there.
// The index array still maps the old places.
template <typename NewIndex>
void renumber(Node table, u32 lo, u32 hi, NewIndex to) {
    Record* r = record(table);
    const u32 cells_indexed = node::buffer(r->aux)->size / 4;
    std::vector<u32> buckets;
    for (u32 i = lo; i < hi && i < cells_indexed; ++i)
        if (index_array(r)[i] != no_index) buckets.push_back(index_array(r)[i] - 1);
    std::sort(buckets.begin(), buckets.end());
    buckets.erase(std::unique(buckets.begin(), buckets.end()), buckets.end());
    const auto in_span = [&](u32 i) { return i >= lo && i < hi; };
    for (const u32 b : buckets) {
        u32& key = slot_key(r, b);
        if (!is_chain(key)) {
            if (in_span(key)) key = to(key);
            continue;
        }
        const u32 n = chain_length(r, key);
        u32* members = chain_of(r, key);
        for (u32 c = 0; c < n; ++c)
            if (in_span(members[c])) members[c] = to(members[c]);
    }
}

u32 enter_cell(Node table, u32 index, u32* status, bool absent) {
    const Cell key = record(table)->kind == kind::map ? map_key(data_cells(record(table))[index])
                                                      : data_cells(record(table))[index];
    const bool hash = record(table)->kind == kind::hash;
    const u32 key_hash = hash_cell(key, false);
    Slot s = absent ? probe_free(record(table), key_hash) : probe_equal(table, key, key_hash);
    if (s.found && hash) {
        join_bucket(table, s.bucket, index);
        set_cell_bucket(table, index, s.bucket + 1);
        if (status) *status = 1;
        return index;
    }
    if (s.found) {
        if (status) *status = 1;
        return slot_key(record(table), s.bucket);
    }
    if (record(table)->occupied >= record(table)->upper || s.bucket == no_index) {
        if (hash) {
            const Record* r = record(table);
            const u32 length = data_length(r);
            if (2 * r->count >= r->buckets && index + 1 == length) {
                // A cell added at the tail of a crowded table: the entered ones move to
                // the larger table as they are, and the cell then enters it.
                grow_table(table, hash_buckets(growth_size(r), length));
                return enter_cell(table, index, status, absent);
            }
            // Mostly deleted buckets are cleaned at the same bucket count: a hash! whose
            // cells come and go keeps the size its live cells need.
            rebuild(table, 2 * r->count < r->buckets ? r->buckets * 2 / 3 : growth_size(r));
            if (status) *status = 2;
            return index;
        }
        index = grow_map(table, index, key_hash);
        if (status) *status = 0;
        return index;
    }
    mark_live(table, s.bucket, index, key_hash);
    if (hash) set_cell_bucket(table, index, s.bucket + 1);
    if (status) *status = 0;
    return index;
}

}  // namespace

bool key_matches(const Cell& stored, const Cell& wanted, i32 mode) {
    // Integer keys, the most common, compare without a call through the type's action.
    if (stored.is(Type::integer) && wanted.is(Type::integer)) return stored.w2 == wanted.w2;
    if (!hooks::compare_values(stored, wanted, mode)) return false;
    return mode != compare_code::equal || same_key_value(stored, wanted);
}

u32 put_cell_status(Node table, u32 index, u32* status) { return enter_cell(table, index, status, false); }

u32 put_cell(Node table, u32 index) { return enter_cell(table, index, nullptr, false); }

u32 put_absent_map_key(Node table, u32 index) { return enter_cell(table, index, nullptr, true); }

u32 put_new_map_key(Node table, u32 index, const MapLookup& lookup) {
    const Record* r = record(table);
    if (r->occupied >= r->upper || lookup.free_bucket == no_index) return grow_map(table, index, lookup.hash);
    mark_live(table, lookup.free_bucket, index, lookup.hash);
    return index;
}

void rebuild(Node table, u32 size) {
    const u32 length = data_length(record(table));
    reset_arrays(table, hash_buckets(size, length));
    Node index = memory::alloc_filled_bytes(std::max<u32>(length, 4) * 4, 0xFF);
    Record* r = record(table);
    r->aux = index;
    node::buffer(r->chains)->tail = node::buffer(r->chains)->head;
    for (u32 i = 0; i < length; ++i) put_cell(table, i);
}

i32 find_cell(Node table, const Cell& key, u32 start, u32 skip, i32 mode, bool last, bool reverse) {
    const Cell wanted = record(table)->kind == kind::map ? map_key(key) : key;
    skip = std::max<u32>(skip, 1);
    u32 best = no_index;
    const u32 hash = hash_cell(wanted, false);
    Walk w(table);
    for (Probe p = w.start(hash); p.more(); p.next()) {
        const u32 state = w.state(p.at());
        if (state == bucket::empty) break;
        if (state == bucket::deleted || w.hash(p.at()) != hash) continue;
        const u32 k = w.key(p.at());
        if (!w.matches(representative(w.r, k), wanted, mode)) continue;
        if (w.r->kind == kind::map) return static_cast<i32>(k);
        if (!is_chain(k)) {
            if (in_steps(k, start, skip, reverse)) best = better(best, k, last, reverse);
            continue;
        }
        const u32 n = chain_length(w.r, k);
        for (u32 c = 0; c < n; ++c) {
            const u32 i = chain_of(w.r, k)[c];
            if (in_steps(i, start, skip, reverse)) best = better(best, i, last, reverse);
        }
    }
    return best == no_index ? -1 : static_cast<i32>(best);
}

void delete_cell(Node table, u32 index) {
    Record* r = record(table);
    if (r->kind == kind::map) {
        if (index + 1 >= data_length(r) || data_cells(r)[index + 1].header == dead_value) return;
        data_cells(r)[index + 1].header = dead_value;
        --r->count;
        return;
    }
    if ((index + 1) * 4 > node::buffer(r->aux)->size) return;
    const u32 held = index_array(r)[index];
    if (held == no_index) return;
    const u32 bucket = held - 1;
    index_array(r)[index] = no_index;
    const u32 key = slot_key(r, bucket);
    if (is_chain(key)) {
        Buffer* chain = node::buffer(chain_nodes(r)[-static_cast<i32>(key) - 1]);
        u32* members = reinterpret_cast<u32*>(chain->head_ptr());
        u32 n = chain->used() / 4;
        u32* end = std::remove(members, members + n, index);
        chain->tail = chain->head + static_cast<u32>(end - members) * 4;
        if (chain->used() != 0) return;
    }
    set_bucket_state(flags_of(r), bucket, bucket::deleted);
    --r->count;
}

void set_map_value(Node table, u32 index, const Cell& value) {
    const Cell copy = value;
    Record* r = record(table);
    Cell& slot = data_cells(r)[index + 1];
    if (slot.header == dead_value) ++r->count;
    slot = copy;
}

void index_cells(Node table, u32 start, u32 step) {
    if (step == 1) {
        for (u32 i = start; i < data_length(record(table)); ++i) {
            u32 status = 0;
            put_cell_status(table, i, &status);
            if (status == 2) return;
        }
        return;
    }
    for (u32 i = start; i + 1 < data_length(record(table));) {
        Cell* cells = data_cells(record(table));
        cells[i] = map_key(cells[i]);
        u32 status = 0;
        const u32 at = put_cell_status(table, i, &status);
        if (status != 1) {
            i = at + 2;
            continue;
        }
        // A repeated key: the later value replaces the earlier one and the later pair leaves.
        Record* r = record(table);
        cells = data_cells(r);
        cells[at + 1] = cells[i + 1];
        Buffer* b = node::buffer(r->data);
        std::memmove(&cells[i], &cells[i + 2], (data_length(r) - i - 2) * sizeof(Cell));
        b->tail -= 2 * static_cast<u32>(sizeof(Cell));
    }
}

void reindex_from(Node table, u32 from) {
    const u32 length = data_length(record(table));
    const u32 indexed = node::buffer(record(table)->aux)->size / 4;
    // delete_cell allocates nothing: the index array stays where it is.
    const u32* index = index_array(record(table));
    const auto entered = [&](u32 i) { return i < indexed && index[i] != no_index; };
    from = std::min(from, length);
    while (from > 0 && !entered(from - 1)) --from;
    // Before a cell is added at the tail nothing is to be done; after, only it enters.
    for (u32 i = from; i < length || entered(i); ++i)
        if (entered(i)) delete_cell(table, i);
    if (from < length) index_cells(table, from, 1);
}

Node make_map_table(Node data) {
    const Node table = make_table(node::buffer(data)->cell_count(), data, kind::map, 0);
    index_cells(table, 0, 2);
    return table;
}

bool valid_map_key(Type t) {
    switch (t) {
    case Type::string: case Type::file: case Type::url: case Type::char_: case Type::integer:
    case Type::float_: case Type::word: case Type::set_word: case Type::lit_word:
    case Type::get_word: case Type::refinement: case Type::issue: case Type::pair:
    case Type::percent: case Type::tuple: case Type::binary: case Type::time: case Type::tag:
    case Type::email: case Type::date: case Type::money: case Type::ref: case Type::point2d:
    case Type::point3d:
        return true;
    default:
        return false;
    }
}

void remove_range(Node table, u32 start, u32 count) {
    const u32 length = data_length(record(table));
    start = std::min(start, length);
    count = std::min(count, length - start);
    if (start == 0 && count == length) {
        Record* r = record(table);
        Buffer* f = node::buffer(r->flags);
        std::memset(f->head_ptr(), bucket::all_empty_byte, f->size - f->head);
        Buffer* ix = node::buffer(r->aux);
        std::memset(ix->head_ptr(), 0xFF, ix->size - ix->head);
        node::buffer(r->chains)->tail = node::buffer(r->chains)->head;
        r->count = r->occupied = 0;
        return;
    }
    for (u32 i = start; i < start + count; ++i) delete_cell(table, i);
}

bool shift_indexes(Node table, u32 start, u32 count, i32 offset, bool move) {
    constexpr u32 most_cells = 30000;
    if (count > most_cells) return false;
    const u32 end = start + count;
    if (move && offset < 0) {
        const u32 removed_from = static_cast<u32>(std::max<i64>(i64{start} + offset, 0));
        for (u32 i = removed_from; i < start; ++i) delete_cell(table, i);
    }
    renumber(table, start, end, [=](u32 i) { return i + static_cast<u32>(offset); });
    if (!move) return true;
    // The index array must reach the run at its new place.
    const u32 moved_end = static_cast<u32>(std::max<i64>(i64{end} + offset, 0));
    u32* index = index_array_for(table, std::max(end, moved_end));
    std::memmove(index + static_cast<i64>(start) + offset, index + start, count * 4);
    // What the run left behind indexes no cell until the caller enters new ones there.
    if (offset < 0) {
        const u32 vacated = static_cast<u32>(std::max<i64>(i64{end} + offset, start));
        std::fill(index + vacated, index + end, no_index);
    } else {
        std::fill(index + start, index + std::min<u32>(start + static_cast<u32>(offset), end), no_index);
    }
    return true;
}

void move_range(Node table, u32 from, u32 count, u32 to) {
    if (count == 0 || (to >= from && to <= from + count)) return;
    // The cells between the run and the target pass over it the other way.
    const bool up = to > from;
    const u32 lo = up ? from : to;
    const u32 hi = up ? to : from + count;
    const u32 run_at = up ? to - count : to;
    renumber(table, lo, hi, [=](u32 i) {
        if (i >= from && i < from + count) return run_at + (i - from);
        return up ? i - count : i + count;
    });
    u32* index = index_array_for(table, hi);
    if (up) std::rotate(index + from, index + from + count, index + to);
    else std::rotate(index + to, index + from, index + from + count);
}

i32 find_next_match(Node table, const Cell& key, MatchState& state) {
    const Cell wanted = record(table)->kind == kind::map ? map_key(key) : key;
    if (!state.started) {
        state.hash = hash_cell(wanted, false);
        state.probe = Probe(state.hash, record(table)->buckets);
        state.started = true;
    } else if (state.probe.more()) {
        state.probe.next();
    }
    Walk w(table);
    for (Probe probe = state.probe; probe.more(); probe.next()) {
        const u32 at = probe.at();
        const u32 flag = w.state(at);
        if (flag == bucket::empty) break;
        if (flag == bucket::deleted || w.hash(at) != state.hash) continue;
        const u32 found = representative(w.r, w.key(at));
        if (w.matches(found, wanted, compare_code::equal)) {
            state.probe = probe;
            return static_cast<i32>(found);
        }
    }
    state.probe = Probe(0, 0);  // no bucket left: later calls find nothing
    return -1;
}

}  // namespace zel::hashtable

namespace zel::hashtable {

MapLookup find_map_key(Node table, const Cell& key) {
    const Cell wanted = map_key(key);
    const u32 hash = hash_cell(wanted, false);
    MapLookup found{-1, hash, no_index};
    i32 first_live = -1;
    Walk w(table);
    for (Probe p = w.start(hash); p.more(); p.next()) {
        const u32 at = p.at();
        const u32 state = w.state(at);
        if (state != bucket::live) {
            if (found.free_bucket == no_index) found.free_bucket = at;
            if (state == bucket::empty) break;
            continue;
        }
        if (w.hash(at) != hash) continue;
        const u32 k = w.key(at);
        if (!w.matches(k, wanted, compare_code::equal)) continue;
        if (w.cells[k + 1].header == dead_value) {
            if (found.at < 0) found.at = static_cast<i32>(k);
            continue;
        }
        if (w.matches(k, wanted, compare_code::strict_equal)) {
            found.at = static_cast<i32>(k);
            return found;
        }
        if (first_live < 0) first_live = static_cast<i32>(k);
    }
    if (first_live >= 0) found.at = first_live;
    return found;
}

}  // namespace zel::hashtable
