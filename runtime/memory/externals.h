// The externals table: a block of cells addressed by 1-based index, in which native
// objects keep the language values they refer to by number. Free cells are threaded as a
// list of integer! cells, each holding the 0-based index of the next free cell (-1 at the
// end). The block is a root of the collector, so every stored value stays alive until
// released.
#pragma once
#include "runtime/core/cell.h"

namespace zel::externals {

constexpr u32 first_size = 100;

// Makes the block (first_size cells, all free) and registers it as a root.
void init();
// Unregisters the block; the collector frees it.
void shutdown();

// Every cell from `start` to the block's end becomes free, in order; the free list starts
// at `start`; the block's tail is set to its end.
void thread(u32 start);
// Valid until the next allocation, which may move the block.
Cell* cell_at(u32 index);
// Stores a copy of the value in the first free cell, doubling the block when none is free;
// returns the cell's index (from 1).
u32 store(const Cell& value);
// Frees the cell of an index; 0 is ignored.
void release(u32 index);
const Cell& block();

}  // namespace zel::externals
