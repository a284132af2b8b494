// Hash tables: one open-addressing table over power-of-two buckets (load factor 0.77)
// indexes a data block for `hash!` (kind 0), `map!` (kind 1), the symbol table and context
// word tables (kind 2) and tables keyed by 32-bit values (kind 3 and up). A table never
// holds values: each live bucket stores a position in the data block. The record and its
// arrays are series: any allocation may move them, so re-read them through the table node.
#pragma once
#include <cstddef>

#include "runtime/memory/buffer.h"
#include "runtime/memory/node.h"

namespace zel::hashtable {

namespace kind {
constexpr u32 hash = 0;
constexpr u32 map = 1;
constexpr u32 words = 2;  // the symbol table and context word tables
constexpr u32 keyed = 3;  // first kind of tables keyed by a 32-bit value
constexpr u32 ownership = 4;
}  // namespace kind

// Bucket states, two bits per bucket, 16 buckets per 32-bit word of the flags array.
namespace bucket {
constexpr u32 live = 0;
constexpr u32 deleted = 1;
constexpr u32 empty = 2;
constexpr u8 all_empty_byte = 0xAA;
}  // namespace bucket

constexpr double load_factor = 0.77;

// The 32-bit words a bucket takes in the keys array: tables over cells (kinds 0 and 1)
// keep the full hash of each key beside its data position, so that a probe passes over
// other keys without reading their cells and growth re-enters keys without hashing them.
constexpr u32 slot_words(u32 table_kind) { return table_kind <= kind::map ? 2 : 1; }
constexpr u32 no_index = 0xFFFFFFFF;

struct Record {
    u32 count;       // live buckets
    u32 aux;         // kind 0: node of the index array; keyed kinds: entry size in bytes
    Node chains;     // kind 0: node of the series of chain-array nodes
    Node flags;      // node of the bucket flags
    Node keys;       // node of one 32-bit data position per bucket (kinds 0-1: and its key's hash)
    Node data;       // node of the data block
    u32 occupied;    // buckets not empty (live and deleted)
    u32 buckets;     // a power of two, at least 4
    u32 upper;       // occupied limit before growth
    u32 kind;
};
static_assert(sizeof(Record) == 40);


inline Record* record(Node table) { return reinterpret_cast<Record*>(node::buffer(table)->head_ptr()); }
inline u32* flags_of(const Record* r) { return reinterpret_cast<u32*>(node::buffer(r->flags)->head_ptr()); }
inline u32* keys_of(const Record* r) { return reinterpret_cast<u32*>(node::buffer(r->keys)->head_ptr()); }

inline u32 bucket_state(const u32* flags, u32 i) { return (flags[i >> 4] >> ((i & 15) * 2)) & 3; }
inline void set_bucket_state(u32* flags, u32 i, u32 state) {
    const u32 shift = (i & 15) * 2;
    flags[i >> 4] = (flags[i >> 4] & ~(3u << shift)) | (state << shift);
}

// Probe sequence: from hash & mask, steps 1, 2, 3... Over a power-of-two bucket count the
// first `buckets` probes visit every bucket once, which bounds every walk.
class Probe {
public:
    Probe(u32 hash, u32 buckets) : mask_(buckets - 1), at_(hash & mask_), left_(buckets) {}
    bool more() const { return left_ != 0; }
    u32 at() const { return at_; }
    void next() {
        --left_;
        at_ = (at_ + ++step_) & mask_;
    }

private:
    u32 mask_;
    u32 at_;
    u32 step_ = 0;
    u32 left_;
};

// Makes the bucket live, holding the data position (and, in tables over cells, the key's
// hash), and counts it.
inline void mark_live(Node table, u32 bucket, u32 position, u32 hash = 0) {
    Record* r = record(table);
    u32* flags = flags_of(r);
    if (bucket_state(flags, bucket) == bucket::empty) ++r->occupied;
    set_bucket_state(flags, bucket, bucket::live);
    const u32 words = slot_words(r->kind);
    u32* slot = keys_of(r) + bucket * words;
    slot[0] = position;
    if (words == 2) slot[1] = hash;
    ++r->count;
}
// The flags array of a bucket count: whole 32-bit words, every bucket empty.
Node alloc_flags(u32 buckets);
// Every bucket of a flags array empty again.
void fill_flags_empty(Node flags);
// The keys array of a bucket count for a table of the kind, zeroed.
Node alloc_slots(u32 buckets, u32 table_kind);

u32 next_pow2(u32 n);
// The bucket count and upper bound of a table made for n entries.
u32 buckets_for(u32 n);
inline u32 upper_bound_of(u32 buckets) { return static_cast<u32>(buckets * load_factor); }

// The collector's table marker: marks the series of a table whose record was just marked.
void mark_table(Node table);
// Makes a table for `size` entries over `data` (0: a new data block: cells for kinds 0-2,
// bytes for keyed kinds). Keyed kinds have entries of a key cell and `extra` value cells.
Node make_table(u32 size, Node data, u32 kind, u32 extra);
// Copies a context's word table (kind 2): the record, and new copies of its data block,
// keys and flags arrays.
Node clone_word_table(Node source);
// The table of a copied block: record, flags and keys arrays (and for hash! the index
// array and chains) duplicated, indexing `new_data`.
Node copy_table(Node table, Node new_data);
// No live entries; the data block emptied and every bucket empty.
void clear_table(Node table);
// The new size of a table whose occupied count reached its upper bound: the same bucket
// count when at least half of the buckets are deleted, else the next power of two.
u32 growth_size(const Record* r);
// In-place resize of kind 2 to next_pow2(new_size) buckets: every live bucket is
// re-entered, deleted ones are dropped. Nothing happens when the entries would not fit.
void resize(Node table, u32 new_size);

// Keys.
u32 murmur3_bytes(const void* data, std::size_t length);
u32 mix32(u32 value);
// The hash of a name with "A"-"Z" lowered, the one hash of symbol names: all case
// variants of a name hash alike.
u32 hash_name(const u8* name, u32 length);
// Per-type hash of a cell; keys equal under case-insensitive comparison hash alike.
u32 hash_cell(const Cell& value, bool case_sensitive);
// What a key's hash sees of the values that `=` relates across types: numbers (integer!,
// char!, float!, percent!, time!, money!) by their value as a double, dates by their
// instant in seconds, pairs and points by their components.
struct KeyValue {
    enum Kind : u32 { other, number, instant, plane, space };
    Kind kind = other;
    u32 count = 0;
    double part[3] = {};
};
KeyValue key_value(const Cell& value);
// False when both keys have such values and these differ. Equality with a tolerance (floats
// a few units in the last place apart are `=`) cannot agree with any hash, so a table
// lookup under `=` also asks that the values be the same: 1 finds 1.0 and $1, while 0.3
// and 0.1 + 0.2 are two keys.
bool same_key_value(const Cell& a, const Cell& b);
// MurmurHash3 over the code points of a string value from its position, each folded the
// way case-insensitive comparison folds it unless `strict`.
u32 hash_string(const Cell& str, bool strict);

// Tables over cells: hash! (kind 0) and map! (kind 1); positions are cell indexes from
// the data block's head.
// Enters the cell at `index`: status 0 new key, 1 an equal key was there (hash!: the cell
// joins its bucket; map!: the existing key's index is returned and nothing is entered),
// 2 the hash! table was rebuilt instead, every cell entered. A map! that must grow first
// drops its dead pairs, which moves the cells after them: the key's index is returned.
u32 put_cell_status(Node table, u32 index, u32* status);
u32 put_cell(Node table, u32 index);
// put_cell for a map! key that no key in the table equals, as a lookup just found: it
// takes the first free bucket of its path without reading the keys met on the way.
u32 put_absent_map_key(Node table, u32 index);
// Whether a stored key answers a lookup of `wanted` under comparison `mode`. Under `=` the
// values hashing sees must be the same too (same_key_value), else whether a lookup finds a
// key would depend on where it lies on the probe path.
bool key_matches(const Cell& stored, const Cell& wanted, i32 mode);
// The cell of a key equal under comparison `mode`, or -1. hash!: among the equal cells
// whose distance from `start` is a multiple of `skip`, the first at or after `start`, the
// last with `last`, or with `reverse` the last before `start`. map!: the key cell of the
// pair, dead or alive; word keys are looked up as set-words.
i32 find_cell(Node table, const Cell& key, u32 start, u32 skip, i32 mode, bool last, bool reverse);
// hash!: the cell leaves its bucket. map!: the pair whose key is at `index` becomes dead.
void delete_cell(Node table, u32 index);
// Stores the value of a map! pair whose key is at `index`, reviving a dead pair.
void set_map_value(Node table, u32 index, const Cell& value);
// Enters the cells from `start`: hash! one by one (stopping when the table was rebuilt);
// map! pair by pair, a repeated key taking the later value and the later pair removed.
void index_cells(Node table, u32 start, u32 step);
// map!: a table over a block of key/value pairs from its head, every pair entered as
// index_cells enters them.
Node make_map_table(Node data);
// The key types a map! takes.
bool valid_map_key(Type t);
// hash!: after a change to the cells from `from` on, their entries leave the table and
// the cells there now enter it (from the first cell not yet entered, when that is earlier).
void reindex_from(Node table, u32 from);
// hash!: rebuilt for `size` cells (at least the block's), every cell entered again.
void rebuild(Node table, u32 size);
// hash!: the entries of `count` cells from `start` (cut to the block) leave the table.
void remove_range(Node table, u32 start, u32 count);
// hash!: the cells from `start` move by `offset` in the block: their stored indexes
// follow. With `move` the index array follows too, and the cells a move down covers leave
// the table. A run of more than 30000 cells changes nothing and answers false: rebuild
// instead.
bool shift_indexes(Node table, u32 start, u32 count, i32 offset, bool move);
// hash!: after `count` cells at `from` moved to `to` (a place counted before the move),
// the moved cells and those they passed over keep their entries. A target inside the run
// moves nothing.
void move_range(Node table, u32 from, u32 count, u32 to);
// Where a walk over the keys equal to one key has come to, and the key's hash.
struct MatchState {
    bool started = false;
    u32 hash = 0;
    Probe probe{0, 0};
};
// The next cell whose key equals `key` (case-insensitive comparison), or -1 when none is
// left: one per bucket (for a hash! bucket of equal keys, its first cell); a map!'s word
// keys are looked up as set-words.
i32 find_next_match(Node table, const Cell& key, MatchState& state);
// map!: the pair a lookup under `=` answers: the key cell of a live pair whose key is
// strictly equal to `key` (a map made from [1 a 1.0 b] holds both keys, and 1.0 selects
// b), else of the first live pair whose key is equal, else of a dead pair (which a new
// value revives), else -1; with the key's hash and the first bucket not live on its probe
// path, where a new key goes. Word keys are looked up as set-words.
struct MapLookup {
    i32 at;
    u32 hash;
    u32 free_bucket;
};
MapLookup find_map_key(Node table, const Cell& key);
// put_absent_map_key for a key whose find_map_key answered -1, the table unchanged since:
// the key takes the bucket that lookup found, unhashed.
u32 put_new_map_key(Node table, u32 index, const MapLookup& lookup);

// Keyed tables (kind 3 and up). Entries: a key cell (header unset! while live, 0 once
// deleted; word 1 the key) followed by the value cells.
// Finds or adds the entry of `key` (new entries' value cells are unset!); returns its
// first value cell, valid until the next allocation.
Cell* put_int_key(Node table, u32 key);
Cell* get_int_key(Node table, u32 key);
// Removes the entry and returns its first value cell (until the next allocation), or null.
Cell* delete_int_key(Node table, u32 key);
// Rebuilds a keyed table for `size` entries, dropping deleted entries from its data block.
void rebuild_keyed(Node table, u32 size);
// Re-enters every live entry at the same size.
void rehash_keyed(Node table);

}  // namespace zel::hashtable
