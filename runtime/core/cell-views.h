// Typed views over a cell's payload: for each family of types, what words 1-3 mean, by
// name. A view binds to the words of one cell (writable when the cell is) and costs
// nothing once inlined, so `as_word(item).symbol` compiles to `item.w2`. Makers build a
// cell of a family from its named parts.
#pragma once
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "runtime/core/cell.h"

namespace zel {

// A payload word of a cell of type C: const when the cell is.
template <class C>
using PayloadWord = std::conditional_t<std::is_const_v<C>, const u32, u32>;

// A series position: the block!, path!, string! families, binary!, vector!, bitset!,
// image!, hash! and map!. The index may lie past the tail. Word 3 is the string family's
// conversion buffer, hash!'s and map!'s table.
template <class C>
struct SeriesView {
    PayloadWord<C>& index;  // word 1
    PayloadWord<C>& node;   // word 2: the buffer's node
};
template <class C>
SeriesView<C> as_series(C& c) { return {c.w1, c.w2}; }

inline Cell series_cell(Type t, Node node, u32 index = 0) { return Cell{header_of(t), index, node, 0}; }
inline Cell block_cell(Node node, u32 index = 0) { return series_cell(Type::block, node, index); }

// The word! family and issue!: bound to a context node (0: unbound) at a slot index
// (context::no_index: looked up on first use).
template <class C>
struct WordView {
    PayloadWord<C>& context;  // word 1
    PayloadWord<C>& symbol;   // word 2, in the spelling it was written with
    PayloadWord<C>& index;    // word 3
};
template <class C>
WordView<C> as_word(C& c) { return {c.w1, c.w2, c.w3}; }

inline Cell word_cell(Type t, Node context, u32 symbol, u32 index) {
    return Cell{header_of(t), context, symbol, index};
}

// context!, the first cell of a context's series.
template <class C>
struct ContextView {
    PayloadWord<C>& words;   // word 1: its word table's node
    PayloadWord<C>& values;  // word 2: the values block's node; with the values on the
                             // evaluation stack, the position of the first one + 1 (0: not running)
};
template <class C>
ContextView<C> as_context(C& c) { return {c.w1, c.w2}; }

// object!, error! and port!.
template <class C>
struct ObjectView {
    PayloadWord<C>& context;   // word 1: the context's node
    PayloadWord<C>& class_id;  // word 2: shared by objects of one shape
    PayloadWord<C>& handlers;  // word 3: the handler block's node, 0 without hooks
};
template <class C>
ObjectView<C> as_object(C& c) { return {c.w1, c.w2, c.w3}; }

// What every callable has: native!, action!, op!, function! and routine!.
template <class C>
struct CallableView {
    PayloadWord<C>& spec;    // word 2: the spec block's node
    PayloadWord<C>& record;  // word 3: the record block's node
};
template <class C>
CallableView<C> as_callable(C& c) { return {c.w2, c.w3}; }

// function! and routine!.
template <class C>
struct FunctionView {
    PayloadWord<C>& context;  // word 1: the function context's node
    PayloadWord<C>& spec;
    PayloadWord<C>& record;
};
template <class C>
FunctionView<C> as_function(C& c) { return {c.w1, c.w2, c.w3}; }

// native! and action!, and an op! over one.
template <class C>
struct NativeView {
    PayloadWord<C>& index;  // word 1: the natives table's entry, or the action slot - 1
    PayloadWord<C>& spec;
    PayloadWord<C>& record;
};
template <class C>
NativeView<C> as_native(C& c) { return {c.w1, c.w2, c.w3}; }

// integer!: a signed 32-bit number. char!: a code point. logic!: 1 or 0, nothing else.
// datatype!: a type id.
template <class C>
struct IntegerView {
    std::conditional_t<std::is_const_v<C>, const i32, i32>& value;  // word 2
};
template <class C>
IntegerView<C> as_integer(C& c) { return {reinterpret_cast<decltype(IntegerView<C>::value)>(c.w2)}; }

template <class C>
struct CharView {
    PayloadWord<C>& code_point;  // word 2
};
template <class C>
CharView<C> as_char(C& c) { return {c.w2}; }

template <class C>
struct LogicView {
    PayloadWord<C>& value;  // word 1
};
template <class C>
LogicView<C> as_logic(C& c) { return {c.w1}; }

template <class C>
struct DatatypeView {
    PayloadWord<C>& type_id;  // word 1
};
template <class C>
DatatypeView<C> as_datatype(C& c) { return {c.w1}; }

// float!, percent! and time!: an IEEE double in words 2-3 (bytes 8-15 of the cell, in
// memory order).
inline double float_payload(const Cell& cell) {
    double value = 0;
    std::memcpy(&value, reinterpret_cast<const char*>(&cell) + offsetof(Cell, w2), sizeof value);
    return value;
}

inline void set_float_payload(Cell& cell, double value) {
    std::memcpy(reinterpret_cast<char*>(&cell) + offsetof(Cell, w2), &value, sizeof value);
}

}  // namespace zel
