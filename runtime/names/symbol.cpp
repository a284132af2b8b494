#include "runtime/names/symbol.h"

#include <cstring>
#include <vector>

#include "runtime/core/cell-views.h"
#include "runtime/core/hooks.h"
#include "runtime/hash/hashtable.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/roots.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/name-compare.h"
#include "runtime/names/word-table.h"
#include "runtime/text/string-units.h"
#include "runtime/text/string-utf8.h"
#include "runtime/text/utf8.h"

namespace zel::symbol {

Node block = 0;
Node table = 0;

namespace {

constexpr u32 initial_symbols = 4000;

}  // namespace

void init() {
    hooks::canonical_symbol = canonical_id;
    gc::set_table_marker(hashtable::mark_table);
    block = memory::alloc_cells(initial_symbols);
    *series_buffer::append_cell(roots::block()) = block_cell(block);
    table = hashtable::make_table(initial_symbols, block, hashtable::kind::words, 0);
    // The root block keeps the table alive: a hash! value names a block and its table.
    *series_buffer::append_cell(roots::block()) = Cell{header_of(Type::hash), 0, block, table};
}

u32 intern(const u8* name, u32 length) { return word_table::intern_symbol(table, name, length, false); }

u32 intern(std::string_view name) { return intern(reinterpret_cast<const u8*>(name.data()), static_cast<u32>(name.size())); }

u32 intern_cstring(const char* name) { return intern(std::string_view(name)); }

u32 intern_string(const Cell& str, i32 limit) {
    const unicode::Units u = unicode::units_of(str, limit);
    std::vector<u8> bytes(unicode::utf8_size_of_units(u.start, u.start + (u.count << (u.unit / 2)), u.unit) + 1);
    const u32 length = unicode::encode_string_utf8(str, bytes.data(), limit, false);
    return intern(bytes.data(), length);
}

std::string_view name(u32 id) {
    Buffer* bytes = node::buffer(record(id).w3);
    return {reinterpret_cast<const char*>(bytes->head_ptr()), bytes->used()};
}

u32 count() { return node::buffer(block)->cell_count(); }

}  // namespace zel::symbol
