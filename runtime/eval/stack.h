// The evaluation stack: 20,000 cells on which arguments are pushed and results left. The
// running call's arguments start at the argument base (argument i at base + i; slot 0 is
// also the result slot). The stack never moves, so addresses into it stay valid; a push
// beyond its capacity raises internal/stack-overflow with 5 cells freed for the error.
#pragma once
#include "runtime/core/cell.h"

namespace zel::stack {

constexpr u32 capacity = 20000;
// Cells given back by an overflow, so that the error machinery has room to work.
constexpr u32 overflow_room = 5;

extern Cell* bottom;
extern Cell* top;  // the next push writes here
extern Cell* end;
extern Cell* base;

// Empties the stack, registers it with the collector and makes it the home of running
// function contexts' values.
void init();

[[noreturn]] void overflow();

inline Cell* push_slot() {
    if (top == end) overflow();
    return top++;
}
inline Cell* push(const Cell& value) {
    Cell* slot = push_slot();
    *slot = value;
    return slot;
}
inline void drop(u32 n) { top = static_cast<u32>(top - bottom) < n ? bottom : top - n; }
inline Cell* top_cell() { return top == bottom ? bottom : top - 1; }
inline Cell* set_result(const Cell& value) { return &(*base = value); }
inline Cell* keep_result() {
    top = base + 1;
    return base;
}
inline Cell* set_only_result(const Cell& value) {
    const Cell copy = value;
    keep_result();
    return set_result(copy);
}

// A cell's position counted from the bottom, and back.
inline u32 index_of(const Cell* c) { return static_cast<u32>(c - bottom); }
inline Cell* at(u32 index) { return bottom + index; }

}  // namespace zel::stack
