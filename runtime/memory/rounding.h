// Rounding sizes to power-of-two units, as buffer and frame sizes are kept.
#pragma once
#include <cstddef>

namespace zel::math {

// n rounded up to a multiple of unit (a power of two); a multiple stays as it is.
constexpr std::size_t round_up(std::size_t n, std::size_t unit) { return (n + unit - 1) & ~(unit - 1); }

// The next multiple of unit (a power of two) above n: a multiple gains a whole unit, so
// the result always leaves room beyond n.
constexpr std::size_t next_multiple(std::size_t n, std::size_t unit) { return (n + unit) & ~(unit - 1); }

}  // namespace zel::math
