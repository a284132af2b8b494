#include "runtime/names/word-table.h"

#include <algorithm>
#include <cstring>

#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/symbol.h"

namespace zel::word_table {

using namespace hashtable;

namespace {

// Kind-2 tables grow sixteen-fold past the growth size, rounded to a power of two.
void grow_if_full(Node table) {
    const Record* r = record(table);
    if (r->occupied >= r->upper) resize(table, 16 * growth_size(r));
}

Cell* data_cells(const Record* r) { return reinterpret_cast<Cell*>(node::buffer(r->data)->head_ptr()); }

// Appends a cell to the table's data block; returns its position.
u32 append_entry(Node table, const Cell& c) {
    Buffer* data = node::buffer(record(table)->data);
    const u32 position = data->cell_count();
    *series_buffer::append_cell(data) = c;
    return position;
}

}  // namespace

bool name_equal(const u8* a, const u8* b, u32 length, bool exact) {
    if (exact) return std::memcmp(a, b, length) == 0;
    for (u32 i = 0; i < length; ++i) {
        const u8 x = a[i] >= 'A' && a[i] <= 'Z' ? a[i] | 0x20 : a[i];
        const u8 y = b[i] >= 'A' && b[i] <= 'Z' ? b[i] | 0x20 : b[i];
        if (x != y) return false;
    }
    return true;
}

u32 intern_symbol(Node table, const u8* name, u32 length, bool any_case) {
    grow_if_full(table);
    // One walk finds both the exact spelling and the first case variant, so the exact
    // spelling wins in either mode.
    u32 variant = 0;
    u32 insert_at = no_index;
    {
        const Record* r = record(table);
        const u32* flags = flags_of(r);
        const u32* keys = keys_of(r);
        const Cell* symbols = data_cells(r);
        for (Probe p(hash_name(name, length), r->buckets); p.more(); p.next()) {
            if (bucket_state(flags, p.at()) == bucket::empty) {
                insert_at = p.at();
                break;
            }
            const Cell& sym = symbols[keys[p.at()]];
            Buffer* bytes = node::buffer(sym.w3);
            if (bytes->used() != length) continue;
            if (name_equal(bytes->head_ptr(), name, length, true)) return keys[p.at()] + 1;
            if (!variant && name_equal(bytes->head_ptr(), name, length, false)) variant = keys[p.at()] + 1;
        }
    }
    if (variant && any_case) return variant;

    const Node bytes = memory::alloc_bytes(length + 1);
    Buffer* b = node::buffer(bytes);
    std::memcpy(b->head_ptr(), name, length);
    b->head_ptr()[length] = 0;
    b->tail = b->head + length;
    // An alias always names a canonical symbol: a variant met first may itself be one.
    const i32 alias = variant ? static_cast<i32>(symbol::canonical_id(variant)) : symbol::canonical;
    const u32 position = append_entry(table, Cell{header_of(Type::symbol), static_cast<u32>(alias), 0, bytes});
    mark_live(table, insert_at, position);
    return position + 1;
}

i32 find_word(Node table, u32 sym, bool any_case, Node context, u32* added) {
    const u32 canonical = symbol::canonical_id(sym);
    u32 insert_at = no_index;
    {
        const Record* r = record(table);
        const u32* flags = flags_of(r);
        const u32* keys = keys_of(r);
        const Cell* words = data_cells(r);
        for (Probe p(mix32(canonical), r->buckets); p.more(); p.next()) {
            if (bucket_state(flags, p.at()) == bucket::empty) {
                insert_at = p.at();
                break;
            }
            const Cell& word = words[keys[p.at()]];
            if (word.w2 == sym || (any_case && symbol::canonical_id(word.w2) == canonical))
                return static_cast<i32>(keys[p.at()]);
        }
    }
    if (!context) return -1;
    if (record(table)->occupied >= record(table)->upper) {
        grow_if_full(table);
        const Record* r = record(table);
        const u32* flags = flags_of(r);
        Probe p(mix32(canonical), r->buckets);
        while (bucket_state(flags, p.at()) != bucket::empty) p.next();
        insert_at = p.at();
    }
    const u32 index = node::buffer(record(table)->data)->cell_count();
    append_entry(table, Cell{header_of(Type::word), context, sym, index});
    mark_live(table, insert_at, index);
    *added = index;
    return -1;
}

}  // namespace zel::word_table
