#include "runtime/hash/hashtable.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/memory/gc.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"

namespace zel::hashtable {

u32 next_pow2(u32 n) {
    u32 p = 1;
    while (p < n) p <<= 1;
    return p;
}

u32 buckets_for(u32 n) { return next_pow2(static_cast<u32>(std::max<u32>(n, 4) / load_factor)); }

Node alloc_flags(u32 buckets) {
    return memory::alloc_filled_bytes(std::max<u32>(buckets / 4, 4), bucket::all_empty_byte);
}

Node alloc_slots(u32 buckets, u32 table_kind) {
    return memory::alloc_filled_bytes(buckets * 4 * slot_words(table_kind), 0);
}

void fill_flags_empty(Node flags) {
    Buffer* b = node::buffer(flags);
    std::memset(b->head_ptr(), bucket::all_empty_byte, b->size - b->head);
}

namespace {

Node copy_series(Node n) { return n ? series_buffer::copy_buffer(node::buffer(n)) : 0; }

u32 entry_size(const Record* r) { return r->aux; }

u8* entry_at(const Record* r, u32 offset) { return node::buffer(r->data)->head_ptr() + offset; }

Cell* key_cell_at(const Record* r, u32 offset) { return reinterpret_cast<Cell*>(entry_at(r, offset)); }

constexpr u32 live_entry = header_of(Type::unset);
constexpr u32 deleted_entry = 0;

// The bucket of a key in a keyed table, or the bucket where it would go (the first
// deleted one met, else the empty one that ended the walk); `found` tells which.
u32 probe_int_key(const Record* r, u32 key, bool& found) {
    const u32* flags = flags_of(r);
    const u32* keys = keys_of(r);
    u32 free_bucket = no_index;
    for (Probe p(mix32(key), r->buckets); p.more(); p.next()) {
        const u32 state = bucket_state(flags, p.at());
        if (state == bucket::empty) {
            found = false;
            return free_bucket != no_index ? free_bucket : p.at();
        }
        if (state == bucket::deleted) {
            if (free_bucket == no_index) free_bucket = p.at();
        } else if (key_cell_at(r, keys[p.at()])->w1 == key) {
            found = true;
            return p.at();
        }
    }
    found = false;
    return free_bucket;
}

// Re-enters the live entries of a keyed table into `buckets` buckets, compacting its data
// block, and marks it hashed now.
void reindex_keyed(Node table, u32 buckets) {
    Record* r = record(table);
    const u32 size = entry_size(r);
    const u32 old_data = r->data;
    Buffer* ob = node::buffer(old_data);
    u32 live = 0;
    for (u32 off = 0; off + size <= ob->used(); off += size)
        if (reinterpret_cast<Cell*>(ob->head_ptr() + off)->header == live_entry) ++live;

    Node data = memory::alloc_bytes(std::max<u32>(live, 1) * size);
    Node flags = alloc_flags(buckets);
    Node keys = alloc_slots(buckets, record(table)->kind);
    r = record(table);
    r->data = data;
    r->flags = flags;
    r->keys = keys;
    r->buckets = buckets;
    r->upper = upper_bound_of(buckets);
    r->count = r->occupied = 0;

    ob = node::buffer(old_data);
    Buffer* nb = node::buffer(data);
    u32* f = flags_of(r);
    u32* k = keys_of(r);
    for (u32 off = 0; off + size <= ob->used(); off += size) {
        const u8* entry = ob->head_ptr() + off;
        if (reinterpret_cast<const Cell*>(entry)->header != live_entry) continue;
        const u32 at = nb->used();
        std::memcpy(nb->head_ptr() + at, entry, size);
        nb->tail += size;
        bool found;
        const u32 i = probe_int_key(r, reinterpret_cast<const Cell*>(entry)->w1, found);
        k[i] = at;
        set_bucket_state(f, i, bucket::live);
        ++r->count;
        ++r->occupied;
    }
}

// The data position and hash of every live bucket of a cell-indexing table (kinds 0-2).
struct Entry {
    u32 position;
    u32 hash;
};

u32 hash_of_position(const Record* r, u32 position) {
    const Cell* cells = reinterpret_cast<const Cell*>(node::buffer(r->data)->head_ptr());
    return hash_cell(cells[position], false);
}

}  // namespace

void mark_table(Node table) {
    const Record* r = record(table);
    gc::mark_node(r->flags);
    gc::mark_node(r->keys);
    if (r->kind < kind::keyed) {
        gc::mark_series(r->data);
    } else {
        // Keyed entries hold key words, not cells to follow: the table's owner decides what
        // its keys keep alive.
        gc::mark_node(r->data);
    }
    if (r->kind == kind::hash) {
        gc::mark_node(r->aux);
        if (gc::mark_node(r->chains)) {
            Buffer* chains = node::buffer(r->chains);
            const auto* chain = reinterpret_cast<const Node*>(chains->head_ptr());
            for (u32 i = 0; i < chains->used() / sizeof(Node); ++i) gc::mark_node(chain[i]);
        }
    }
}

Node make_table(u32 size, Node data, u32 kind, u32 extra) {
    if (kind == kind::words && size >= 4000) size *= 2;
    size = std::max<u32>(size, 4);
    const u32 buckets = buckets_for(size);
    const u32 entry_bytes = kind >= kind::keyed ? 16 * extra + 16 : 0;

    Node flags = alloc_flags(buckets);
    Node keys = alloc_slots(buckets, kind);
    Node index = 0;
    Node chains = 0;
    if (kind == kind::hash) {
        index = memory::alloc_filled_bytes(size * 4, 0xFF);
        chains = memory::alloc_units(4, 4);
    }
    if (!data) data = kind >= kind::keyed ? memory::alloc_bytes(size * entry_bytes) : memory::alloc_cells(size);
    Node table = memory::alloc_bytes(sizeof(Record));
    Buffer* tb = node::buffer(table);
    tb->flags |= bufferflag::table_record;
    tb->tail = tb->head + sizeof(Record);
    *record(table) = Record{0, kind == kind::hash ? index : entry_bytes, chains, flags, keys, data, 0,
                            buckets, upper_bound_of(buckets), kind};
    return table;
}

Node clone_word_table(Node source) {
    Node data = copy_series(record(source)->data);
    Node keys = copy_series(record(source)->keys);
    Node flags = copy_series(record(source)->flags);
    Node table = series_buffer::copy_buffer(node::buffer(source));
    Record* r = record(table);
    r->data = data;
    r->keys = keys;
    r->flags = flags;
    return table;
}

Node copy_table(Node table, Node new_data) {
    Node keys = copy_series(record(table)->keys);
    Node flags = copy_series(record(table)->flags);
    Node index = 0;
    Node chains = 0;
    if (record(table)->kind == kind::hash) {
        index = copy_series(record(table)->aux);
        chains = copy_series(record(table)->chains);
        const u32 count = node::buffer(chains)->used() / 4;
        for (u32 i = 0; i < count; ++i) {
            Node copy = copy_series(reinterpret_cast<Node*>(node::buffer(record(table)->chains)->head_ptr())[i]);
            reinterpret_cast<Node*>(node::buffer(chains)->head_ptr())[i] = copy;
        }
    }
    Node copy = series_buffer::copy_buffer(node::buffer(table));
    Record* r = record(copy);
    r->keys = keys;
    r->flags = flags;
    r->data = new_data;
    if (r->kind == kind::hash) {
        r->aux = index;
        r->chains = chains;
    }
    return copy;
}

void clear_table(Node table) {
    Record* r = record(table);
    r->count = r->occupied = 0;
    Buffer* data = node::buffer(r->data);
    data->tail = data->head;
    fill_flags_empty(r->flags);
    if (r->kind == kind::hash) {
        Buffer* index = node::buffer(r->aux);
        std::memset(index->head_ptr(), 0xFF, index->size - index->head);
        Buffer* chains = node::buffer(r->chains);
        chains->tail = chains->head;
    }
}

u32 growth_size(const Record* r) { return 2 * r->count < r->buckets ? r->buckets - 1 : r->buckets + 1; }

void resize(Node table, u32 new_size) {
    const u32 buckets = std::max<u32>(next_pow2(new_size), 4);
    const u32 upper = static_cast<u32>(buckets * load_factor + 0.5);
    Record* r = record(table);
    if (r->count >= upper) return;

    std::vector<Entry> live;
    {
        const u32* flags = flags_of(r);
        const u32* keys = keys_of(r);
        for (u32 i = 0; i < r->buckets; ++i)
            if (bucket_state(flags, i) == bucket::live) live.push_back({keys[i], 0});
    }
    for (Entry& e : live) e.hash = hash_of_position(r, e.position);

    Node flags = alloc_flags(buckets);
    r = record(table);
    if (buckets * 4 > node::buffer(r->keys)->size) {
        Node keys = alloc_slots(buckets, r->kind);
        r = record(table);
        r->keys = keys;
    }
    r->flags = flags;
    r->buckets = buckets;
    r->upper = upper;
    r->occupied = static_cast<u32>(live.size());
    u32* f = flags_of(r);
    u32* k = keys_of(r);
    for (const Entry& e : live) {
        Probe p(e.hash, buckets);
        while (bucket_state(f, p.at()) != bucket::empty) p.next();
        k[p.at()] = e.position;
        set_bucket_state(f, p.at(), bucket::live);
    }
}

Cell* put_int_key(Node table, u32 key) {
    bool found;
    u32 i = probe_int_key(record(table), key, found);
    if (found) return key_cell_at(record(table), keys_of(record(table))[i]) + 1;
    if (record(table)->occupied >= record(table)->upper || i == no_index) {
        // Mostly deleted buckets are cleaned at the same size, so churn does not grow it.
        const Record* r = record(table);
        if (2 * r->count < r->buckets) {
            rehash_keyed(table);
        } else {
            rebuild_keyed(table, growth_size(r));
        }
        i = probe_int_key(record(table), key, found);
    }
    const u32 size = entry_size(record(table));
    u8* entry = series_buffer::reserve_tail(node::buffer(record(table)->data), size);
    Record* r = record(table);
    const u32 offset = static_cast<u32>(entry - node::buffer(r->data)->head_ptr());
    auto* cells = reinterpret_cast<Cell*>(entry);
    for (u32 c = 0; c < size / sizeof(Cell); ++c) cells[c] = Cell{header_of(Type::unset), 0, 0, 0};
    cells[0].w1 = key;
    u32* f = flags_of(r);
    if (bucket_state(f, i) == bucket::empty) ++r->occupied;
    keys_of(r)[i] = offset;
    set_bucket_state(f, i, bucket::live);
    ++r->count;
    return cells + 1;
}

Cell* get_int_key(Node table, u32 key) {
    bool found;
    const u32 i = probe_int_key(record(table), key, found);
    return found ? key_cell_at(record(table), keys_of(record(table))[i]) + 1 : nullptr;
}

Cell* delete_int_key(Node table, u32 key) {
    bool found;
    const u32 i = probe_int_key(record(table), key, found);
    if (!found) return nullptr;
    Record* r = record(table);
    set_bucket_state(flags_of(r), i, bucket::deleted);
    --r->count;
    Cell* k = key_cell_at(r, keys_of(r)[i]);
    k->header = deleted_entry;
    return k + 1;
}

void rebuild_keyed(Node table, u32 size) {
    reindex_keyed(table, std::max<u32>(next_pow2(static_cast<u32>(size * 1.5)), 4));
}

void rehash_keyed(Node table) { reindex_keyed(table, record(table)->buckets); }

}  // namespace zel::hashtable
