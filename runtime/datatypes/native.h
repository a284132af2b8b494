// native!, action! and op!: values through which the language reaches the natives table
// and the action slots. A native! or action! cell holds its table index (never an
// address) in word 1, its spec node in word 2 and a 2-cell record in word 3; an op! is a
// copy of the value it wraps, retyped, with the wrapped type id in header bits 16-23.
#pragma once
#include "runtime/core/cell.h"

namespace zel::native {

// The natives table: entry i serves the native of index i + 1. The evaluator fills it at
// start-up; an empty entry names no native. An entry finds its arguments in the argument
// frame and leaves its result in slot 0; each refinement of its spec arrives as the frame
// index of the refinement's first argument, -1 when not used.
constexpr u32 table_capacity = 128;
using Entry = void (*)(const i32* refinements);
extern Entry table[table_capacity];
// Whether the native of index i + 1 is exit-transparent: it tests the pending exit after
// each evaluation it makes and returns at once while one is in flight
// (runtime/eval/exits.h).
extern bool passes_exits[table_capacity];

// Empties the table; the natives are then appended in their order, from native 1, so a
// native's index (its identity in the boot image and in Zelbin data) is its position.
void init_table();
// Appends the entries and their exit transparency; returns the index of the first one.
// Raises internal/limit-hit when they do not fit.
u32 append_entries(const Entry* entries, const bool* transparent, u32 count);

// The callable an op! wraps.
inline Cell unwrapped(const Cell& op) {
    Cell callable = op;
    callable.header = (op.header & ~(cellflag::op_wrapped_type | cellflag::type_mask)) |
                      ((op.header & cellflag::op_wrapped_type) >> 16);
    return callable;
}

}  // namespace zel::native

namespace zel::op {

// True when a function's spec block takes exactly two arguments, the first not literal, and nothing but
// /local or /extern after them.
bool valid_spec(Node spec);

}  // namespace zel::op
