// tuple!: 3 to 12 unsigned bytes in the cell's payload (bytes 4-15, component 1 first),
// the count in header bits 19-22. Arithmetic is per component and saturates at 0 and 255;
// as a colour, component 4 is the transparency.
#pragma once
#include <cstddef>
#include <cstring>

#include "runtime/core/cell.h"
#include "runtime/datatypes/action-signatures.h"

namespace zel::tuple {

constexpr u32 min_count = 3;
constexpr u32 max_count = 12;

inline u32 count(const Cell& t) { return (t.header & cellflag::tuple_length) >> 19; }

inline void set_count(Cell& t, u32 n) { t.header = (t.header & ~cellflag::tuple_length) | n << 19; }

// The payload's 12 bytes, addressed from the cell itself: a pointer made from w1 alone
// covers 4 bytes, and the optimiser takes writes past them for overflows.
inline u8* bytes(Cell& t) { return reinterpret_cast<u8*>(&t) + offsetof(Cell, w1); }
inline const u8* bytes(const Cell& t) { return reinterpret_cast<const u8*>(&t) + offsetof(Cell, w1); }

// A tuple of the first n bytes given, padded with zeros to 3 components.
inline Cell cell(const u8* components, u32 n) {
    Cell t{header_of(Type::tuple), 0, 0, 0};
    std::memcpy(bytes(t), components, n);
    set_count(t, n < min_count ? min_count : n);
    return t;
}

// The tuple core: value1 op value2, either of them the tuple (a number on the left
// takes the tuple's place, as for integer! and float! operations handed over), left in
// value1.
Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2);

}  // namespace zel::tuple
