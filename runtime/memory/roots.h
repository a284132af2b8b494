// The root block: the block of literal values that compiled library code addresses by
// index. Its buffer lives in the tracked heap and never moves, so the address of a root
// cell stays valid for the life of the process.
#pragma once
#include "runtime/core/cell.h"

namespace zel::roots {

// The first cell of the root block; null until set_block.
extern Cell* base;

// Makes `block` (a block! value over a tracked-heap series) the root block.
void set_block(const Cell& block);
// The root block's value, for appending to it.
const Cell& block();

inline Cell* cell_at(u32 index) { return base + index; }
// For an object literal: its context node.
inline u32 word1_at(u32 index) { return base[index].w1; }

}  // namespace zel::roots
