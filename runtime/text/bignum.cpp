#include "runtime/text/bignum.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "runtime/memory/fatal.h"

namespace zel {

namespace {

constexpr int pow5_step = 13;  // 5^13 is the largest power of five in a word
constexpr u32 pow5_small[pow5_step + 1] = {
    1,       5,        25,        125,        625,         3125,        15625,
    78125,   390625,   1953125,   9765625,    48828125,    244140625,   1220703125,
};

}  // namespace

void Bignum::grow_to(int n) {
    // The conversions bound their operands well below the capacity; reaching it means
    // a fault in them, and carrying on would write past the array.
    if (n > capacity) fatal::exit_with_error(fatal::assertion_failed);
    while (size_ < n) words_[size_++] = 0;
}

void Bignum::trim() {
    while (size_ > 0 && words_[size_ - 1] == 0) --size_;
}

void Bignum::assign(u64 v) {
    size_ = 0;
    while (v != 0) {
        words_[size_++] = static_cast<u32>(v);
        v >>= 32;
    }
}

int Bignum::bit_length() const {
    if (size_ == 0) return 0;
    return size_ * 32 - std::countl_zero(words_[size_ - 1]);
}

void Bignum::multiply_add(u32 factor, u32 addend) {
    u64 carry = addend;
    for (int i = 0; i < size_; ++i) {
        u64 p = static_cast<u64>(words_[i]) * factor + carry;
        words_[i] = static_cast<u32>(p);
        carry = p >> 32;
    }
    if (carry != 0) {
        grow_to(size_ + 1);
        words_[size_ - 1] = static_cast<u32>(carry);
    }
    trim();
}

void Bignum::multiply(u32 factor) { multiply_add(factor, 0); }

void Bignum::multiply_pow5(int k) {
    for (; k >= pow5_step; k -= pow5_step) multiply(pow5_small[pow5_step]);
    if (k > 0) multiply(pow5_small[k]);
}

void Bignum::multiply_pow10(int k) {
    multiply_pow5(k);
    shift_left(k);
}

void Bignum::shift_left(int bits) {
    if (size_ == 0 || bits == 0) return;
    int whole = bits / 32, part = bits % 32;
    int old = size_;
    grow_to(size_ + whole + 1);
    for (int i = old - 1; i >= 0; --i) {
        u64 w = static_cast<u64>(words_[i]) << part;
        words_[i + whole + 1] |= static_cast<u32>(w >> 32);
        words_[i + whole] = static_cast<u32>(w);
    }
    for (int i = 0; i < whole; ++i) words_[i] = 0;
    trim();
}

void Bignum::add(const Bignum& b) {
    int n = size_ > b.size_ ? size_ : b.size_;
    grow_to(n + 1);
    u64 carry = 0;
    for (int i = 0; i < size_; ++i) {
        u64 s = words_[i] + carry + (i < b.size_ ? b.words_[i] : 0);
        words_[i] = static_cast<u32>(s);
        carry = s >> 32;
    }
    trim();
}

void Bignum::subtract(const Bignum& b) {
    i64 borrow = 0;
    for (int i = 0; i < size_; ++i) {
        i64 d = static_cast<i64>(words_[i]) - borrow - (i < b.size_ ? b.words_[i] : 0);
        words_[i] = static_cast<u32>(d);
        borrow = d < 0 ? 1 : 0;
    }
    trim();
}

int compare(const Bignum& a, const Bignum& b) {
    if (a.size_ != b.size_) return a.size_ < b.size_ ? -1 : 1;
    for (int i = a.size_ - 1; i >= 0; --i) {
        if (a.words_[i] != b.words_[i]) return a.words_[i] < b.words_[i] ? -1 : 1;
    }
    return 0;
}

int compare_sum(const Bignum& a, const Bignum& b, const Bignum& c) {
    int n = a.size_ > b.size_ ? a.size_ : b.size_;
    if (n + 1 < c.size_) return -1;
    if (n > c.size_) return 1;
    Bignum sum;
    sum.size_ = a.size_;
    std::copy_n(a.words_, a.size_, sum.words_);
    sum.add(b);
    return compare(sum, c);
}

u32 Bignum::divide_digit(const Bignum& s) {
    if (compare(*this, s) < 0) return 0;
    // Estimate from the top words, never above the true quotient, then correct upwards.
    int n = s.size_;
    u64 top = words_[n - 1];
    if (size_ > n) top |= static_cast<u64>(words_[n]) << 32;
    u32 q = static_cast<u32>(top / (static_cast<u64>(s.words_[n - 1]) + 1));
    if (q > 0) {
        Bignum qs = s;
        qs.multiply(q);
        subtract(qs);
    }
    while (compare(*this, s) >= 0) {
        subtract(s);
        ++q;
    }
    return q;
}

bool Bignum::divide(const Bignum& divisor, u128& quotient) {
    // Long division in base 2^32 with the divisor normalised so its top bit is set,
    // which keeps each estimated quotient word at most two above the true one.
    Bignum v = divisor;
    int shift = std::countl_zero(v.words_[v.size_ - 1]);
    v.shift_left(shift);
    shift_left(shift);
    int n = v.size_;
    if (size_ < n) {
        quotient = 0;
        return !is_zero();
    }
    int m = size_ - n;
    grow_to(size_ + 1);
    u32* u = words_;
    const u32* vw = v.words_;
    u128 q = 0;
    for (int j = m; j >= 0; --j) {
        u64 num = (static_cast<u64>(u[j + n]) << 32) | u[j + n - 1];
        u64 qhat = num / vw[n - 1];
        u64 rhat = num % vw[n - 1];
        while (qhat > 0xFFFFFFFFu ||
               (n >= 2 && qhat * vw[n - 2] > ((rhat << 32) | u[j + n - 2]))) {
            --qhat;
            rhat += vw[n - 1];
            if (rhat > 0xFFFFFFFFu) break;
        }
        i64 borrow = 0;
        u64 carry = 0;
        for (int i = 0; i < n; ++i) {
            u64 p = qhat * vw[i] + carry;
            carry = p >> 32;
            i64 t = static_cast<i64>(u[i + j]) - borrow - static_cast<i64>(p & 0xFFFFFFFFu);
            u[i + j] = static_cast<u32>(t);
            borrow = t < 0 ? 1 : 0;
        }
        i64 t = static_cast<i64>(u[j + n]) - borrow - static_cast<i64>(carry);
        u[j + n] = static_cast<u32>(t);
        if (t < 0) {
            --qhat;
            u64 c = 0;
            for (int i = 0; i < n; ++i) {
                u64 s = static_cast<u64>(u[i + j]) + vw[i] + c;
                u[i + j] = static_cast<u32>(s);
                c = s >> 32;
            }
            u[j + n] += static_cast<u32>(c);
        }
        q = (q << 32) | qhat;
    }
    quotient = q;
    trim();
    return !is_zero();
}

u128 Bignum::top_bits(int& low_exponent, bool& inexact) const {
    int len = bit_length();
    low_exponent = len - 128;
    inexact = false;
    u128 top = 0;
    // The top five words hold the 128 top bits; every lower word lies below them.
    for (int i = size_ - 1; i >= 0 && i >= size_ - 5; --i) {
        int pos = i * 32 - low_exponent;  // where word i's lowest bit lands in top
        u128 w = words_[i];
        if (pos >= 0) top |= w << pos;
        else {
            top |= w >> -pos;
            if ((w & ((u128{1} << -pos) - 1)) != 0) inexact = true;
        }
    }
    for (int i = size_ - 6; i >= 0 && !inexact; --i) inexact = words_[i] != 0;
    return top;
}

}  // namespace zel
