// Non-negative big integers for the exact float conversions: 32-bit words, least
// significant first, held in a fixed array on the caller's stack. The word count never
// has a zero top word, so a value has one representation and compares by size first.
#pragma once
#include "runtime/core/cell.h"

namespace zel {

using u128 = unsigned __int128;

class Bignum {
public:
    // 4096 bits: the widest operand of the conversions is 5^1094 shifted by 64 bits
    // (a 769-digit significand over a power of ten), about 2600 bits.
    static constexpr int capacity = 128;

    Bignum() = default;
    explicit Bignum(u64 v) { assign(v); }

    void assign(u64 v);
    bool is_zero() const { return size_ == 0; }
    int bit_length() const;

    void multiply(u32 factor);
    // this = this * factor + addend, for building a value from decimal digits.
    void multiply_add(u32 factor, u32 addend);
    void multiply_pow5(int k);
    void multiply_pow10(int k);
    void shift_left(int bits);
    void add(const Bignum& b);
    // this -= b; b must not exceed this.
    void subtract(const Bignum& b);

    // Quotient of this / s when it is below 10 (a decimal digit); this keeps the remainder.
    u32 divide_digit(const Bignum& s);
    // Quotient of this / d when it fits in 128 bits; returns whether a remainder was
    // left. This value is consumed.
    bool divide(const Bignum& d, u128& quotient);
    // The 128 most significant bits (top bit set), the weight of their lowest bit as a
    // power of two, and whether any bit below them is set. The value must not be zero.
    u128 top_bits(int& low_exponent, bool& inexact) const;

    friend int compare(const Bignum& a, const Bignum& b);
    // Compares a + b with c.
    friend int compare_sum(const Bignum& a, const Bignum& b, const Bignum& c);

private:
    void grow_to(int n);
    void trim();

    u32 words_[capacity];
    int size_ = 0;
};

}  // namespace zel
