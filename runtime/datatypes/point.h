// point2D! and point3D!: two or three IEEE 32-bit floats in words 1-2 (1-3) of the cell.
// Arithmetic runs each component in doubles and stores it rounded to 32 bits; pair! and
// number operations that cannot stay exact continue here.
#pragma once
#include <bit>

#include "runtime/core/cell.h"
#include "runtime/datatypes/action-signatures.h"

namespace zel::point {

// The component count of a point type: 2 or 3.
constexpr i32 count(Type t) { return t == Type::point3d ? 3 : 2; }

// Component i (1-based) of a point.
inline float get(const Cell& point, i32 i) {
    const u32 words[3] = {point.w1, point.w2, point.w3};
    return std::bit_cast<float>(words[i - 1]);
}

inline void set(Cell& point, i32 i, double value) {
    u32* words[3] = {&point.w1, &point.w2, &point.w3};
    *words[i - 1] = std::bit_cast<u32>(static_cast<float>(value));
}

inline Cell cell2(double x, double y) {
    Cell c{header_of(Type::point2d), 0, 0, 0};
    set(c, 1, x);
    set(c, 2, y);
    return c;
}

inline Cell cell3(double x, double y, double z) {
    Cell c{header_of(Type::point3d), 0, 0, 0};
    set(c, 1, x);
    set(c, 2, y);
    set(c, 3, z);
    return c;
}

// A pair! as a point2D!.
Cell from_pair(const Cell& pair);

// The point core: value1 (a point) op value2 (a point of its own type, an integer!,
// float! or percent!, and for point2D! a pair!), left in value1.
Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2);

Cell* negate(Cell* value);

}  // namespace zel::point
