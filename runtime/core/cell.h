// The value cell: every value of the language is 16 bytes, a header word (type id in
// bits 0-7, flags above) and three 32-bit payload words whose meaning depends on the
// type. Cells are always copied whole; series, words and objects refer to memory through
// 32-bit node indices, never through machine addresses.
#pragma once
#include <cstdint>

namespace zel {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using i32 = std::int32_t;
using u64 = std::uint64_t;
using i64 = std::int64_t;

// A node: an index into the node table, whose slot holds the address of a series buffer.
// 0 is no node.
using Node = u32;

enum class Type : u8 {
#define ZEL_TYPE(id, name, text, parent, families) name = id,
#include "runtime/core/types.def"
#undef ZEL_TYPE
};

// Header flag bits.
namespace cellflag {
constexpr u32 type_mask = 0xFF;
constexpr u32 new_line = 0x40000000;          // a line break is molded before this value
constexpr u32 context_third = 0x01000000;     // context! made with the third flag of context/make
constexpr u32 tuple_length = 0x00780000;      // tuple!: length in bytes (bits 19-22)
constexpr u32 op_wrapped_type = 0x00FF0000;   // op!: type id of the function it wraps
constexpr u32 context_on_stack = 0x00400000;  // context!: values live on the evaluation stack
constexpr u32 owns_series = 0x00010000;       // object context!: owns a series; image!: owned
constexpr u32 field_assigned = 0x00002000;    // word in an object's words block: set through set-in
constexpr u32 event_from_values = 0x00001000; // event!: w2 is a block node
constexpr u32 context_kind = 0x00001800;      // context!: kind 0-3 (bits 11-12)
}  // namespace cellflag

struct Cell {
    u32 header;
    u32 w1;
    u32 w2;
    u32 w3;

    Type type() const { return static_cast<Type>(header & cellflag::type_mask); }
    bool is(Type t) const { return type() == t; }
};
static_assert(sizeof(Cell) == 16, "a cell is four 32-bit words");

constexpr u32 header_of(Type t) { return static_cast<u32>(t); }

// The values that routines with nothing to make return by address.
inline constexpr Cell unset_cell{header_of(Type::unset), 0, 0, 0};
inline constexpr Cell none_cell{header_of(Type::none), 0, 0, 0};
inline constexpr Cell true_cell{header_of(Type::logic), 1, 0, 0};
inline constexpr Cell false_cell{header_of(Type::logic), 0, 0, 0};

namespace cell {

// Replaces the type id, keeping every flag.
inline Cell* set_type(Cell* c, Type t) {
    c->header = (c->header & ~cellflag::type_mask) | header_of(t);
    return c;
}

inline Cell* clear_new_line(Cell* c) {
    c->header &= ~cellflag::new_line;
    return c;
}

// Sets or clears the mark of a value that starts a new line.
inline Cell* set_new_line(Cell* c, bool on) {
    c->header = on ? c->header | cellflag::new_line : c->header & ~cellflag::new_line;
    return c;
}

// Copies the whole cell; copying a cell onto itself writes nothing.
inline Cell* copy(const Cell* src, Cell* dst) {
    if (src != dst) *dst = *src;
    return dst;
}

}  // namespace cell

}  // namespace zel
