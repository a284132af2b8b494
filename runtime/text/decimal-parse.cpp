#include "runtime/text/decimal-parse.h"

#include <bit>
#include <cmath>
#include <limits>

#include "runtime/text/bignum.h"
#include "runtime/text/pow10-table.h"

namespace zel::decimal {

namespace {

// A halfway point between two doubles has at most 767 significant digits, so digits past
// the 768th only matter through whether one of them is non-zero: that is kept as a final
// digit 1, which leaves the value on the same side of every halfway point.
constexpr int max_significant = 768;
constexpr i64 exponent_limit = 100000;  // far past any finite or non-zero double

struct Decimal {
    char digits[max_significant + 1];
    int count = 0;
    i64 exponent = 0;  // value = (the digits as an integer) x 10^exponent
    bool negative = false;
};

constexpr int exact_pow10_max = 22;  // 10^22 is the largest power of ten a double holds

constexpr auto exact_pow10 = [] {
    struct Table { double v[exact_pow10_max + 1]; } t{};
    t.v[0] = 1.0;
    for (int i = 1; i <= exact_pow10_max; ++i) t.v[i] = t.v[i - 1] * 10.0;
    return t;
}();

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Whether the text at p spells word (lower-case letters) in either case.
bool spells(const char* p, const char* end, const char* word) {
    for (; *word != '\0'; ++word, ++p) {
        if (p >= end || (*p | 0x20) != *word) return false;
    }
    return true;
}

// Rounds top x 2^low_exponent (top's highest bit set; inexact when bits below it were
// dropped) to the nearest double, ties to even, subnormals and overflow included.
double round_to_double(u64 top, int low_exponent, bool inexact) {
    int high = low_exponent + 63;  // the value lies in [2^high, 2^(high + 1))
    if (high > 1023) return std::numeric_limits<double>::infinity();
    int drop = high >= -1022 ? 11 : -1074 - low_exponent;  // bits below the last kept one
    if (drop > 64) return 0.0;
    u64 kept = drop == 64 ? 0 : top >> drop;
    u64 rest = drop == 64 ? top : top & ((u64{1} << drop) - 1);
    u64 half = u64{1} << (drop - 1);
    if (rest > half || (rest == half && (inexact || (kept & 1) != 0))) ++kept;
    if (high < -1022) return std::bit_cast<double>(kept);  // a carry lands on the smallest normal
    // The hidden bit of kept adds one to the biased exponent, and a carry to 2^53 another.
    u64 bits = (static_cast<u64>(high + 1022) << 52) + kept;
    if (bits >= u64{0x7FF} << 52) return std::numeric_limits<double>::infinity();
    return std::bit_cast<double>(bits);
}

double round_to_double(u128 top, int low_exponent, bool inexact) {
    return round_to_double(static_cast<u64>(top >> 64), low_exponent + 64,
                           inexact || static_cast<u64>(top) != 0);
}

// Rounds w x 2^exponent, w a 192-bit number, to the nearest double.
double round_product(const u64 (&w)[3], int exponent) {
    int top_word = w[2] != 0 ? 2 : w[1] != 0 ? 1 : 0;
    int lead = std::countl_zero(w[top_word]);
    u128 pair = static_cast<u128>(w[top_word]) << 64;
    if (top_word > 0) pair |= w[top_word - 1];
    bool inexact = top_word > 1 && w[0] != 0;
    int low_exponent = exponent + (top_word - 1) * 64 - lead;
    if (lead > 0) {
        u64 below = top_word > 1 ? w[top_word - 2] : 0;
        pair = (pair << lead) | (below >> (64 - lead));
        inexact = top_word > 1 && static_cast<u64>(below << lead) != 0;
    }
    return round_to_double(static_cast<u64>(pair >> 64), low_exponent + 64,
                           inexact || static_cast<u64>(pair) != 0);
}

// Brackets the value between two 192-bit products with the 128-bit powers of ten; when
// both ends round to the same double, so does every value between them. Returns false
// when they do not (the value lies too near a halfway point to decide this way).
bool bracketed_value(const Decimal& d, double& result) {
    constexpr int wide_digits = 19;  // any 19-digit number fits in 64 bits
    int n = d.count < wide_digits ? d.count : wide_digits;
    u64 w = 0;
    for (int i = 0; i < n; ++i) w = w * 10 + static_cast<u64>(d.digits[i] - '0');
    i64 e = d.exponent + (d.count - n);
    if (e < pow10_min || e > pow10_max) return false;
    bool truncated = n < d.count;
    ScaledProduct low = scale_by_pow10(w, static_cast<int>(e));
    u64 top = truncated ? w + 1 : w;
    ScaledProduct high = truncated ? scale_by_pow10(top, static_cast<int>(e)) : low;
    if (!high.exact || truncated) {
        // high + top: the value's upper bound, never reached.
        u64 before = high.w[0];
        high.w[0] += top;
        if (high.w[0] < before && ++high.w[1] == 0) ++high.w[2];
    }
    double a = round_product(low.w, low.exponent);
    double b = round_product(high.w, high.exponent);
    if (std::bit_cast<u64>(a) != std::bit_cast<u64>(b)) return false;
    result = a;
    return true;
}

double exact_value(const Decimal& d) {
    Bignum m;
    int i = 0;
    for (; i + 9 <= d.count; i += 9) {
        u32 chunk = 0;
        for (int j = i; j < i + 9; ++j) chunk = chunk * 10 + static_cast<u32>(d.digits[j] - '0');
        m.multiply_add(1000000000u, chunk);
    }
    u32 chunk = 0, scale = 1;
    for (; i < d.count; ++i) {
        chunk = chunk * 10 + static_cast<u32>(d.digits[i] - '0');
        scale *= 10;
    }
    if (scale > 1) m.multiply_add(scale, chunk);

    int low;
    bool inexact;
    if (d.exponent >= 0) {
        m.multiply_pow10(static_cast<int>(d.exponent));
        u128 top = m.top_bits(low, inexact);
        return round_to_double(top, low, inexact);
    }
    // m / 10^k = (m / 5^k) x 2^-k; shift so that the quotient has 127 or 128 bits.
    int k = static_cast<int>(-d.exponent);
    Bignum five(1);
    five.multiply_pow5(k);
    int shift = 127 - (m.bit_length() - five.bit_length());
    if (shift >= 0) m.shift_left(shift);
    else five.shift_left(-shift);
    u128 q;
    inexact = m.divide(five, q);
    low = -shift - k;
    if ((q >> 127) == 0) {
        q <<= 1;
        --low;
    }
    return round_to_double(q, low, inexact);
}

double to_double(Decimal& d) {
    while (d.count > 0 && d.digits[d.count - 1] == '0') {
        --d.count;
        ++d.exponent;
    }
    if (d.count == 0) return 0.0;
    i64 magnitude = d.count + d.exponent;  // value < 10^magnitude
    if (magnitude > 310) return std::numeric_limits<double>::infinity();
    if (magnitude < -324) return 0.0;
    if (d.count <= 15 && d.exponent >= -exact_pow10_max &&
        d.exponent <= exact_pow10_max + 15 - d.count) {
        // The significand and the power of ten are both exact doubles, so one rounded
        // operation gives the correctly rounded result.
        double m = 0;
        for (int i = 0; i < d.count; ++i) m = m * 10 + (d.digits[i] - '0');
        if (d.exponent < 0) return m / exact_pow10.v[-d.exponent];
        if (d.exponent > exact_pow10_max) {
            m *= exact_pow10.v[d.exponent - exact_pow10_max];
            return m * exact_pow10.v[exact_pow10_max];
        }
        return m * exact_pow10.v[d.exponent];
    }
    double v;
    if (bracketed_value(d, v)) return v;
    return exact_value(d);
}

}  // namespace

double parse_double(const char* start, const char* end, int exponent_adjust, int& left) {
    Decimal d;
    const char* p = start;
    if (p < end && (*p == '+' || *p == '-')) d.negative = *p++ == '-';
    bool any_digit = false;
    bool inexact_tail = false;
    auto take_digit = [&](char c, bool fraction) {
        any_digit = true;
        if (c == '0' && d.count == 0) {
            if (fraction) --d.exponent;
            return;
        }
        if (d.count < max_significant) {
            d.digits[d.count++] = c;
            if (fraction) --d.exponent;
        } else {
            if (c != '0') inexact_tail = true;
            if (!fraction) ++d.exponent;
        }
    };
    for (; p < end && (is_digit(*p) || (*p == '\'' && any_digit)); ++p) {
        if (*p != '\'') take_digit(*p, false);
    }
    if (d.count == 1 && end - p >= 3 && p[0] == '.' && p[1] == '#') {
        double inf = std::numeric_limits<double>::infinity();
        if ((p[2] | 0x20) == 'i') {
            p += 3;
            if (spells(p, end, "nf")) p += 2;
            left = static_cast<int>(end - p);
            return d.negative ? -inf : inf;
        }
        if ((p[2] | 0x20) == 'n') {
            p += 3;
            if (spells(p, end, "an")) p += 2;
            left = static_cast<int>(end - p);
            return std::bit_cast<double>(u64{0x7FF8000000000000});
        }
    }
    if (p < end && (*p == '.' || *p == ',')) {
        const char* fraction = ++p;
        for (; p < end && (is_digit(*p) || (*p == '\'' && p > fraction)); ++p) {
            if (*p != '\'') take_digit(*p, true);
        }
    }
    if (!any_digit) {
        left = static_cast<int>(end - start);
        return 0.0;
    }
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool negative_exponent = false;
        if (q < end && (*q == '+' || *q == '-')) negative_exponent = *q++ == '-';
        if (q < end && is_digit(*q)) {
            i64 e = 0;
            for (; q < end && is_digit(*q); ++q) {
                if (e < exponent_limit) e = e * 10 + (*q - '0');
            }
            d.exponent += negative_exponent ? -e : e;
            p = q;
        }
    }
    left = static_cast<int>(end - p);
    d.exponent += exponent_adjust;
    if (inexact_tail) {
        d.digits[d.count++] = '1';
        --d.exponent;
    }
    double v = to_double(d);
    return d.negative ? -v : v;
}

}  // namespace zel::decimal
