// The payload of float!, percent! and time! cells: an IEEE double in words 2-3 (bytes
// 8-15 of the cell, in memory order). Read and written here so that number conversions
// of the other types do not depend on the float datatype's actions.
#pragma once
#include <cstddef>
#include <cstring>

#include "runtime/core/cell.h"

namespace zel {

inline double float_payload(const Cell& cell) {
    double value = 0;
    std::memcpy(&value, reinterpret_cast<const char*>(&cell) + offsetof(Cell, w2), sizeof value);
    return value;
}

inline void set_float_payload(Cell& cell, double value) {
    std::memcpy(reinterpret_cast<char*>(&cell) + offsetof(Cell, w2), &value, sizeof value);
}

}  // namespace zel
