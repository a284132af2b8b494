#include "runtime/text/pow10-table.h"

#include <array>

namespace zel::decimal {

namespace {

struct Pow10 {
    u128 mantissa;  // top bit set
    int exponent;
    bool exact;
};

using Table = std::array<Pow10, pow10_max - pow10_min + 1>;

Table build() {
    Table table;
    for (int j = pow10_min; j <= pow10_max; ++j) {
        Pow10& e = table[static_cast<std::size_t>(j - pow10_min)];
        Bignum p(1);
        if (j >= 0) {
            p.multiply_pow10(j);
            e.mantissa = p.top_bits(e.exponent, e.exact);
            e.exact = !e.exact;
            continue;
        }
        // 10^j = 2^n / 10^-j, with n such that the quotient has exactly 128 bits; the
        // remainder is never zero, as no power of two is a multiple of five.
        p.multiply_pow10(-j);
        int n = 127 + p.bit_length();
        Bignum numerator(1);
        numerator.shift_left(n);
        numerator.divide(p, e.mantissa);
        e.exponent = -n;
        e.exact = false;
    }
    return table;
}

}  // namespace

ScaledProduct scale_by_pow10(u64 x, int j) {
    static const Table table = build();
    const Pow10& e = table[static_cast<std::size_t>(j - pow10_min)];
    u128 low = static_cast<u128>(x) * static_cast<u64>(e.mantissa);
    u128 high = static_cast<u128>(x) * static_cast<u64>(e.mantissa >> 64);
    u128 middle = (low >> 64) + static_cast<u64>(high);
    return {{static_cast<u64>(low), static_cast<u64>(middle),
             static_cast<u64>(high >> 64) + static_cast<u64>(middle >> 64)},
            e.exponent,
            e.exact};
}

}  // namespace zel::decimal
