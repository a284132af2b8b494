#include "runtime/text/decimal-digits.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "runtime/text/bignum.h"

namespace zel::decimal {

namespace {

constexpr u64 hidden_bit = u64{1} << 52;
constexpr u64 fraction_mask = hidden_bit - 1;
constexpr double log10_2 = 0.30102999566398114;

void set_text(Digits& out, const char* text, int point) {
    out.length = static_cast<int>(std::strlen(text));
    std::memcpy(out.text, text, out.length + 1);
    out.point = point;
}

// The exact value f x 2^e as the fraction r / s times 10^k, with the distances to the
// neighbouring doubles' midpoints as m_minus / s and m_plus / s. The generator reads
// digits off r / s; k starts as an estimate at most two below the final position.
struct Scaled {
    Bignum r, s, m_plus, m_minus;
    int k;
};

void scale(Scaled& x, u64 f, int e, bool lower_boundary_closer) {
    // Twice the value, so that the half-ulp distances are whole numbers.
    if (e >= 0) {
        x.r.assign(f);
        x.r.shift_left(e + 1 + (lower_boundary_closer ? 1 : 0));
        x.s.assign(lower_boundary_closer ? 4 : 2);
        x.m_minus.assign(1);
        x.m_minus.shift_left(e);
        x.m_plus = x.m_minus;
        if (lower_boundary_closer) x.m_plus.shift_left(1);
    } else {
        x.r.assign(f << (lower_boundary_closer ? 2 : 1));
        x.s.assign(1);
        x.s.shift_left(1 - e + (lower_boundary_closer ? 1 : 0));
        x.m_minus.assign(1);
        x.m_plus.assign(lower_boundary_closer ? 2 : 1);
    }
    int bits = std::bit_width(f) - 1 + e;  // floor(log2(value))
    x.k = static_cast<int>(std::ceil(bits * log10_2 - 1e-10));
    if (x.k >= 0) {
        x.s.multiply_pow10(x.k);
    } else {
        x.r.multiply_pow10(-x.k);
        x.m_plus.multiply_pow10(-x.k);
        x.m_minus.multiply_pow10(-x.k);
    }
}

void raise_position(Scaled& x) {
    x.s.multiply(10);
    ++x.k;
}

// Shortest digits: stop as soon as the digits so far, or the next one rounded up, lie
// strictly inside the interval of values that read back as this double (the interval's
// ends belong to it when the significand is even, as round-half-even reading picks it).
int shortest(Scaled& x, bool even, char* out) {
    auto above_high = [&] {
        int c = compare_sum(x.r, x.m_plus, x.s);
        return even ? c >= 0 : c > 0;
    };
    while (above_high()) raise_position(x);
    int n = 0;
    for (;;) {
        x.r.multiply(10);
        x.m_plus.multiply(10);
        x.m_minus.multiply(10);
        u32 d = x.r.divide_digit(x.s);
        int c = compare(x.r, x.m_minus);
        bool low = even ? c <= 0 : c < 0;
        bool high = above_high();
        if (!low && !high) {
            out[n++] = static_cast<char>('0' + d);
            continue;
        }
        if (low && high) {
            // Both d and d + 1 read back: take the nearer, the even one on a tie.
            Bignum twice = x.r;
            twice.shift_left(1);
            int half = compare(twice, x.s);
            if (half > 0 || (half == 0 && (d & 1) != 0)) ++d;
        } else if (high) {
            ++d;
        }
        out[n++] = static_cast<char>('0' + d);
        return n;
    }
}

// count significant digits, the last rounded half to even on the exact remainder; a
// carry out of a run of nines becomes a leading 1 one position higher.
int fixed_count(Scaled& x, int count, char* out) {
    while (compare(x.r, x.s) >= 0) raise_position(x);
    int n = 0;
    while (n < count && !x.r.is_zero()) {
        x.r.multiply(10);
        out[n++] = static_cast<char>('0' + x.r.divide_digit(x.s));
    }
    if (n < count) return n;
    x.r.shift_left(1);
    int half = compare(x.r, x.s);
    if (half < 0 || (half == 0 && (out[n - 1] - '0') % 2 == 0)) return n;
    int i = n - 1;
    while (i >= 0 && out[i] == '9') --i;
    if (i < 0) {
        out[0] = '1';
        ++x.k;
        return 1;
    }
    ++out[i];
    return i + 1;
}

}  // namespace

Digits digits(double value, int count, bool pretty) {
    Digits out{};
    u64 bits = std::bit_cast<u64>(value);
    bool negative = (bits >> 63) != 0;
    int biased = static_cast<int>((bits >> 52) & 0x7FF);
    u64 fraction = bits & fraction_mask;
    if (biased == 0x7FF) {
        if (fraction != 0) set_text(out, "1.#NaN", point_special);
        else {
            set_text(out, negative ? "-1.#INF" : "1.#INF", point_special);
            out.negative = negative;
        }
        return out;
    }
    out.negative = negative;
    if (biased == 0 && fraction == 0) {
        set_text(out, pretty ? (negative ? "-0.0" : "0.0") : (negative ? "-0" : "0"),
                 point_zero);
        return out;
    }
    u64 f = biased == 0 ? fraction : fraction | hidden_bit;
    int e = (biased == 0 ? 1 : biased) - 1075;
    Scaled x;
    scale(x, f, e, biased > 1 && fraction == 0);
    if (count > max_digits) count = max_digits;
    int n = count <= 0 ? shortest(x, (f & 1) == 0, out.text) : fixed_count(x, count, out.text);
    while (n > 1 && out.text[n - 1] == '0') --n;
    out.text[n] = '\0';
    out.length = n;
    out.point = x.k;
    return out;
}

}  // namespace zel::decimal
