// The language's random numbers: one Mersenne-Twister generator (MT19937) that `random/seed`
// restarts, so a seed replays the same sequence, and a secure source for /secure draws.
// Draws for a bound are uniform: a draw at or above the largest multiple of the bound is
// rejected.
#pragma once
#include "runtime/core/cell.h"

namespace zel::random {

// Restarts the generator from a seed; the next draws are those of that seed.
void seed(u32 value);
// The generator's next 32-bit output.
u32 next();
// A non-negative 31-bit number from the platform's cryptographic source.
u32 secure_int31();
// A non-negative 31-bit number: from the secure source with the flag, else the low 31 bits
// of the generator's next output.
u32 int31(bool secure);
// 0 for n = 0; uniform in 1..n for n > 0; uniform in n..-1 for n < 0.
i32 int_up_to(bool secure, i32 n);

}  // namespace zel::random
