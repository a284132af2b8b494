#include "runtime/text/decimal-digits.h"

#include <bit>
#include <cmath>
#include <cstring>

#include "runtime/text/bignum.h"
#include "runtime/text/pow10-table.h"

namespace zel::decimal {

namespace {

constexpr u64 hidden_bit = u64{1} << 52;
constexpr u64 fraction_mask = hidden_bit - 1;
constexpr double log10_2 = 0.30102999566398114;

void set_text(Digits& out, const char* text, int point) {
    const std::size_t length = std::strlen(text);
    out.length = static_cast<int>(length);
    std::memcpy(out.text, text, length + 1);
    out.point = point;
}

constexpr auto pow10_u64 = [] {
    struct Table { u64 v[20]; } t{};
    t.v[0] = 1;
    for (int i = 1; i < 20; ++i) t.v[i] = t.v[i - 1] * 10;
    return t;
}();

// floor(log10(2^e)) and floor(log10(3/4 x 2^e)) for the binary exponents of doubles.
int floor_log10_pow2(int e) { return static_cast<int>(std::floor(e * log10_2)); }
int floor_log10_three_quarters_pow2(int e) {
    return static_cast<int>(std::floor(e * log10_2 - 0.12493873660829995));
}

// A value in decimal units from the 128-bit powers of ten: it lies in
// [whole + fraction / 2^64, whole + (fraction + 2) / 2^64), at the low end when exact.
struct Fixed {
    u64 whole;
    u64 fraction;
    bool exact;
};

// 64 bits of w starting at bit position pos (bits below 0 read as zero).
u64 bits_at(const u64 (&w)[3], int pos) {
    u64 r = 0;
    for (int i = 0; i < 3; ++i) {
        int offset = 64 * i - pos;
        if (offset >= 64 || offset <= -64) continue;
        r |= offset >= 0 ? w[i] << offset : w[i] >> -offset;
    }
    return r;
}

// x x 2^e x 10^j in decimal units; the whole part must fit in 63 bits.
Fixed fixed_point(u64 x, int e, int j) {
    ScaledProduct p = scale_by_pow10(x, j);
    int point = -(p.exponent + e);  // the bit of weight 1
    int low = point - 64;           // the lowest bit of the fraction
    bool rest = false;
    for (int i = 0; i < 3 && !rest; ++i) {
        if (64 * (i + 1) <= low) rest = p.w[i] != 0;
        else if (64 * i < low) rest = (p.w[i] & ((u64{1} << (low - 64 * i)) - 1)) != 0;
    }
    return {bits_at(p.w, point), bits_at(p.w, low), p.exact && !rest};
}

constexpr int undecided = 2;

// Compares v with whole + fraction / 2^64: -1, 0 or 1, or undecided when the bounds of v
// straddle it.
int compare_fixed(const Fixed& v, u64 whole, u64 fraction) {
    u128 a = static_cast<u128>(v.whole) << 64 | v.fraction;
    u128 t = static_cast<u128>(whole) << 64 | fraction;
    if (a > t) return 1;
    if (a == t) return v.exact ? 0 : 1;
    return t - a >= 2 ? -1 : undecided;
}

int write_integer(u64 n, char* out) {
    char tmp[20];
    int len = 0;
    do tmp[len++] = static_cast<char>('0' + n % 10);
    while ((n /= 10) != 0);
    for (int i = 0; i < len; ++i) out[i] = tmp[len - 1 - i];
    return len;
}

// Shortest digits from the interval of values that read back as c x 2^q, scaled by the
// power of ten that makes it 1 to 10 units wide: the answer is then the multiple of ten
// inside it (one digit shorter), or else the integer nearest to the value inside it.
// Returns false, for the exact method to decide, when the 128-bit bounds cannot.
bool shortest_fast(u64 c, int q, bool lower_boundary_closer, char* out, int& n, int& point) {
    bool even = (c & 1) == 0;
    int k = lower_boundary_closer ? floor_log10_three_quarters_pow2(q) : floor_log10_pow2(q);
    u64 cb = c << 2;
    Fixed low = fixed_point(cb - (lower_boundary_closer ? 1 : 2), q - 2, -k);
    Fixed mid = fixed_point(cb, q - 2, -k);
    Fixed high = fixed_point(cb + 2, q - 2, -k);
    if (mid.fraction >= ~u64{0} - 1) return false;
    u64 s = mid.whole;
    auto inside = [&](u64 m) {
        int a = compare_fixed(low, m, 0), b = compare_fixed(high, m, 0);
        if (a == undecided || b == undecided) return undecided;
        return (even ? a <= 0 : a < 0) && (even ? b >= 0 : b > 0) ? 1 : 0;
    };
    u64 result;
    int u = 0, w = 0;
    if (s >= 10) {
        u64 down = s / 10 * 10;
        u = inside(down);
        w = inside(down + 10);
        if (u == undecided || w == undecided) return false;
        if (u != w) result = u ? down : down + 10;
    }
    if (u == w) {
        u = inside(s);
        w = inside(s + 1);
        if (u == undecided || w == undecided || (u == 0 && w == 0)) return false;
        if (u != w) {
            result = u ? s : s + 1;
        } else {
            int half = compare_fixed(mid, s, u64{1} << 63);
            if (half == undecided) return false;
            result = half < 0 || (half == 0 && (s & 1) == 0) ? s : s + 1;
        }
    }
    n = write_integer(result, out);
    point = k + n;
    return true;
}

// count significant digits of c x 2^q, rounded half to even, from the 128-bit bounds;
// false when they cannot decide the rounding.
bool counted_fast(u64 c, int q, int count, char* out, int& n, int& point) {
    int k = floor_log10_pow2(q + static_cast<int>(std::bit_width(c)) - 1) + 1 - count;
    Fixed v = fixed_point(c, q, -k);
    if (v.whole >= pow10_u64.v[count]) v = fixed_point(c, q, -++k);
    // whole is the integer part unless the bounds reach the next integer.
    if (v.fraction >= ~u64{0} - 1 || v.whole < pow10_u64.v[count - 1]) return false;
    u64 r = v.whole;
    int half = compare_fixed(v, r, u64{1} << 63);
    if (half == undecided) return false;
    if (half > 0 || (half == 0 && (r & 1) != 0)) ++r;
    if (r == pow10_u64.v[count]) {
        r /= 10;
        ++k;
    }
    n = write_integer(r, out);
    point = k + n;
    return true;
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
    int bits = static_cast<int>(std::bit_width(f)) - 1 + e;  // floor(log2(value))
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
    bool lower_boundary_closer = biased > 1 && fraction == 0;
    if (count > max_digits) count = max_digits;
    int n, point;
    bool fast = count <= 0 ? shortest_fast(f, e, lower_boundary_closer, out.text, n, point)
                           : counted_fast(f, e, count, out.text, n, point);
    if (!fast) {
        Scaled x;
        scale(x, f, e, lower_boundary_closer);
        n = count <= 0 ? shortest(x, (f & 1) == 0, out.text) : fixed_count(x, count, out.text);
        point = x.k;
    }
    while (n > 1 && out.text[n - 1] == '0') --n;
    out.text[n] = '\0';
    out.length = n;
    out.point = point;
    return out;
}

}  // namespace zel::decimal
