// Powers of ten as 128-bit binary approximations, for the fast paths of the float
// conversions: 10^j lies in [mantissa, mantissa + 1) x 2^exponent, and equals the low end
// when the entry is exact. Built once, on first use, with exact big-integer arithmetic.
#pragma once
#include "runtime/text/bignum.h"

namespace zel::decimal {

constexpr int pow10_min = -350;
constexpr int pow10_max = 350;

// x x 10^j as a 192-bit product w (least significant word first) times 2^exponent:
// exactly when exact is set, otherwise the value lies in [w, w + x) x 2^exponent.
struct ScaledProduct {
    u64 w[3];
    int exponent;
    bool exact;
};

// pow10_min <= j <= pow10_max.
ScaledProduct scale_by_pow10(u64 x, int j);

}  // namespace zel::decimal
