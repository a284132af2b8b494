// Typed views over a cell's payload: for each family of types, what words 1-3 mean, by
// name. A view of a writable cell binds to its words; a view of a const cell holds a copy
// of them (taken when the view is made), which lets the compiler pass a const cell's
// words in registers. Either way `as_word(item).symbol` compiles to `item.w2`. Makers
// build a cell of a family from its named parts.
#pragma once
#include <cstddef>
#include <cstring>

#include "runtime/core/cell.h"

namespace zel {

// A series position: the block!, path!, string! families, binary!, vector!, bitset!,
// image!, hash! and map!. The index may lie past the tail.
template <class W>
struct SeriesView {
    W index;  // word 1
    W node;   // word 2: the buffer's node
    W extra;  // word 3: the string family's conversion buffer, hash!'s and map!'s table,
              // vector!'s element type; else 0
};
inline SeriesView<u32> as_series(const Cell& c) { return {c.w1, c.w2, c.w3}; }
inline SeriesView<u32&> as_series(Cell& c) { return {c.w1, c.w2, c.w3}; }

inline Cell series_cell(Type t, Node node, u32 index = 0) { return Cell{header_of(t), index, node, 0}; }
inline Cell block_cell(Node node, u32 index = 0) { return series_cell(Type::block, node, index); }

// The word! family and issue!: bound to a context node (0: unbound) at a slot index
// (context::no_index: looked up on first use).
template <class W>
struct WordView {
    W context;  // word 1
    W symbol;   // word 2, in the spelling it was written with
    W index;    // word 3
};
inline WordView<u32> as_word(const Cell& c) { return {c.w1, c.w2, c.w3}; }
inline WordView<u32&> as_word(Cell& c) { return {c.w1, c.w2, c.w3}; }

inline Cell word_cell(Type t, Node context, u32 symbol, u32 index) {
    return Cell{header_of(t), context, symbol, index};
}

// context!, the first cell of a context's series.
template <class W>
struct ContextView {
    W words;   // word 1: its word table's node
    W values;  // word 2: the values block's node; with the values on the evaluation stack,
               // the position of the first one + 1 (0: not running)
};
inline ContextView<u32> as_context(const Cell& c) { return {c.w1, c.w2}; }
inline ContextView<u32&> as_context(Cell& c) { return {c.w1, c.w2}; }

// object!, error! and port!.
template <class W>
struct ObjectView {
    W context;   // word 1: the context's node
    W class_id;  // word 2: shared by objects of one shape
    W handlers;  // word 3: the handler block's node, 0 without hooks
};
inline ObjectView<u32> as_object(const Cell& c) { return {c.w1, c.w2, c.w3}; }
inline ObjectView<u32&> as_object(Cell& c) { return {c.w1, c.w2, c.w3}; }

// What every callable has: native!, action!, op!, function! and routine!.
template <class W>
struct CallableView {
    W spec;    // word 2: the node of the block of its parameters
    W record;  // word 3: the record block's node
};
inline CallableView<u32> as_callable(const Cell& c) { return {c.w2, c.w3}; }
inline CallableView<u32&> as_callable(Cell& c) { return {c.w2, c.w3}; }

// function! and routine!.
template <class W>
struct FunctionView {
    W context;  // word 1: the function context's node
    W spec;
    W record;
};
inline FunctionView<u32> as_function(const Cell& c) { return {c.w1, c.w2, c.w3}; }
inline FunctionView<u32&> as_function(Cell& c) { return {c.w1, c.w2, c.w3}; }

// native! and action!, and an op! over one.
template <class W>
struct NativeView {
    W index;  // word 1: the natives table's entry, or the action slot - 1
    W spec;
    W record;
};
inline NativeView<u32> as_native(const Cell& c) { return {c.w1, c.w2, c.w3}; }
inline NativeView<u32&> as_native(Cell& c) { return {c.w1, c.w2, c.w3}; }

// integer!: a signed 32-bit number. char!: a code point. logic!: 1 or 0, nothing else.
// datatype!: a type id.
template <class I>
struct IntegerView {
    I value;  // word 2
};
inline IntegerView<i32> as_integer(const Cell& c) { return {static_cast<i32>(c.w2)}; }
inline IntegerView<i32&> as_integer(Cell& c) { return {reinterpret_cast<i32&>(c.w2)}; }

// pair!: two signed 32-bit numbers.
template <class I>
struct PairView {
    I x;  // word 2
    I y;  // word 3
};
inline PairView<i32> as_pair(const Cell& c) { return {static_cast<i32>(c.w2), static_cast<i32>(c.w3)}; }
inline PairView<i32&> as_pair(Cell& c) { return {reinterpret_cast<i32&>(c.w2), reinterpret_cast<i32&>(c.w3)}; }

template <class W>
struct CharView {
    W code_point;  // word 2
};
inline CharView<u32> as_char(const Cell& c) { return {c.w2}; }
inline CharView<u32&> as_char(Cell& c) { return {c.w2}; }

template <class W>
struct LogicView {
    W value;  // word 1
};
inline LogicView<u32> as_logic(const Cell& c) { return {c.w1}; }
inline LogicView<u32&> as_logic(Cell& c) { return {c.w1}; }

template <class W>
struct DatatypeView {
    W type_id;  // word 1
};
inline DatatypeView<u32> as_datatype(const Cell& c) { return {c.w1}; }
inline DatatypeView<u32&> as_datatype(Cell& c) { return {c.w1}; }

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
