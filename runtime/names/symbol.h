// The symbol table and symbol!: every name of the system is interned once and named by a
// 1-based id, the position + 1 of its `symbol!` record in the symbol block. Each spelling is
// its own symbol; a spelling differing from an earlier one only in ASCII letter case
// carries an alias to that earlier spelling's canonical symbol, and an alias always names a
// canonical symbol, so case-insensitive comparison compares canonical ids.
#pragma once
#include <string_view>

#include "runtime/core/cell.h"
#include "runtime/memory/node.h"

namespace zel::symbol {

// Record layout: word 1 the alias (-1 canonical), word 2 the node of the name's string
// form (0 until asked for), word 3 the node of the UTF-8 name bytes, a NUL past the tail.
constexpr i32 canonical = -1;

extern Node block;  // the symbol block
extern Node table;  // its kind-2 hash table

// Makes the symbol block (kept in the root block) and its table.
void init();

u32 intern(const u8* name, u32 length);
u32 intern(std::string_view name);
u32 intern_cstring(const char* name);
// Interns the characters of a string value from its position, at most `limit` (-1: all).
u32 intern_string(const Cell& str, i32 limit);

// The record cell of a symbol in the symbol block.
inline Cell& record(u32 id) { return node::buffer(block)->cells()[id - 1]; }
// The alias of a symbol, or canonical. Inline: binding and every word lookup ask it.
inline i32 alias_of(u32 id) { return static_cast<i32>(record(id).w1); }
inline u32 canonical_id(u32 id) {
    const i32 alias = alias_of(id);
    return alias > 0 ? static_cast<u32>(alias) : id;
}
// The name bytes (valid until the next allocation) and their count.
std::string_view name(u32 id);
u32 count();

}  // namespace zel::symbol
