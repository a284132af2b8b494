// Typed arrays: growable arrays of 32-bit values (array) or 64-bit values and addresses
// (array64) in a byte series named by its node, so they survive buffer moves like any
// series. Elements run from head to tail in insertion order; pick and poke take 1-based
// indexes below the length, finds answer byte offsets from the head or -1.
#pragma once
#include "runtime/core/cell.h"

namespace zel::array {

Node make(u32 capacity);
// Elements of the array's unit width (either kind).
u32 length(Node a);
void clear(Node a);
u32* append_value(Node a, u32 value);
u32 pick(Node a, u32 index);
void poke(Node a, u32 index, u32 value);
i32 find_value(Node a, u32 value);
// Moves the bytes after the removed ones down (either kind).
void remove_bytes(Node a, u32 offset, u32 count);

}  // namespace zel::array

namespace zel::array64 {

Node make(u32 capacity);
u64* append_value(Node a, u64 value);
u64 pick(Node a, u32 index);
void poke(Node a, u32 index, u64 value);
i32 find_value(Node a, u64 value);
i32 find_pointer(Node a, const void* p);

}  // namespace zel::array64
