#include "runtime/text/float-text.h"

#include <cmath>
#include <cstring>

#include "runtime/text/decimal-digits.h"

namespace zel {

namespace {

// The longest layouts: "-0.000000" and 17 digits; "-d." 16 digits "e-324" with ".0";
// a 16-digit general form with ".0" or "%". All stay below the buffer's size.
static_assert(sizeof(FloatText::text) > 1 + 8 + decimal::max_digits + 2 + 5);

class Writer {
public:
    explicit Writer(FloatText& out) : out_(out) { out_.length = 0; }
    ~Writer() { out_.text[out_.length] = '\0'; }
    void put(char c) { out_.text[out_.length++] = c; }
    void put(const char* s, int n) {
        std::memcpy(out_.text + out_.length, s, static_cast<std::size_t>(n));
        out_.length += n;
    }
    void zeros(int n) {
        while (n-- > 0) put('0');
    }
    void exponent(int e) {
        put('e');
        if (e < 0) put('-');
        unsigned u = static_cast<unsigned>(e < 0 ? -e : e);
        char digits[8];
        int n = 0;
        do digits[n++] = static_cast<char>('0' + u % 10);
        while ((u /= 10) != 0);
        while (n > 0) put(digits[--n]);
    }
    char last() const { return out_.length > 0 ? out_.text[out_.length - 1] : '\0'; }
    void drop_last() { --out_.length; }

private:
    FloatText& out_;
};

void copy_text(FloatText& out, const char* text) {
    Writer w(out);
    w.put(text, static_cast<int>(std::strlen(text)));
}

// The layout of mold: see decimal::format_double.
void lay_out(FloatText& out, const decimal::Digits& d, bool pretty) {
    if (d.point >= decimal::point_zero) return copy_text(out, d.text);
    Writer w(out);
    if (d.negative) w.put('-');
    int n = d.length, p = d.point;
    bool plain = p >= -6 && p <= 17;
    if (!plain) {
        w.put(d.text[0]);
        w.put('.');
        w.put(d.text + 1, n - 1);
    } else if (p <= 0) {
        w.put("0.", 2);
        w.zeros(-p);
        w.put(d.text, n);
    } else if (p < n) {
        w.put(d.text, p);
        w.put('.');
        w.put(d.text + p, n - p);
    } else {
        w.put(d.text, n);
        w.zeros(p - n);
        w.put('.');
    }
    if (w.last() == '.') {
        if (pretty) w.put('0');
        else w.drop_last();
    }
    if (!plain) w.exponent(p - 1);
}

// The C library's "%.<precision>g" without its locale: precision significant digits,
// plain notation for decimal exponents from -4 to precision - 1, trailing zeros and a
// bare "." removed. The exponent is written without "+" or leading zeros.
void general(FloatText& out, double value, int precision) {
    Writer w(out);
    if (std::signbit(value)) w.put('-');
    if (value == 0) return w.put('0');
    decimal::Digits d = decimal::digits(value, precision, false);
    int n = d.length, x = d.point - 1;
    if (x < -4 || x >= precision) {
        w.put(d.text[0]);
        if (n > 1) {
            w.put('.');
            w.put(d.text + 1, n - 1);
        }
        return w.exponent(x);
    }
    if (x < 0) {
        w.put("0.", 2);
        w.zeros(-x - 1);
        return w.put(d.text, n);
    }
    int whole = x + 1;
    if (n <= whole) {
        w.put(d.text, n);
        return w.zeros(whole - n);
    }
    w.put(d.text, whole);
    w.put('.');
    w.put(d.text + whole, n - whole);
}

bool is_percent(float_::TextKind kind) {
    return kind == float_::TextKind::percent32 || kind == float_::TextKind::percent64;
}

// A 16-digit text ending in "01" or "99" shows the rounding noise of a binary fraction
// (0.1 + 0.7 is 0.7999999999999999): it is formed again with fewer digits.
bool shows_noise(const FloatText& t) {
    const char* e = static_cast<const char*>(std::memchr(t.text, 'e', static_cast<std::size_t>(t.length)));
    int body = e != nullptr ? static_cast<int>(e - t.text) : t.length;
    if (body <= 16) return false;
    if (e == nullptr) {
        const char* first_digit = t.text[0] == '-' ? t.text + 1 : t.text;
        if (*first_digit == '0' && body <= 17) return false;
    }
    const char* tail = t.text + body - 2;
    return (tail[0] == '0' && tail[1] == '1') || (tail[0] == '9' && tail[1] == '9');
}

}  // namespace

namespace decimal {

FloatText format_double(double value, int count, bool pretty) {
    FloatText out;
    lay_out(out, digits(value, count, pretty), pretty);
    return out;
}

}  // namespace decimal

namespace float_ {

bool pretty = true;

FloatText to_text(double value, TextKind kind) {
    FloatText out;
    if (std::isnan(value)) {
        copy_text(out, "1.#NaN");
        return out;
    }
    if (std::isinf(value)) {
        copy_text(out, value < 0 ? "-1.#INF" : "1.#INF");
        return out;
    }
    bool short_kind = kind == TextKind::float32 || kind == TextKind::seconds ||
                      kind == TextKind::coordinate;
    if (pretty && std::fabs(value) < 2.220446049250313e-16) {
        copy_text(out, is_percent(kind) ? "0%" : kind == TextKind::coordinate ? "0" : "0.0");
        return out;
    }
    switch (kind) {
    case TextKind::float32:
    case TextKind::percent32:
    case TextKind::coordinate: general(out, value, 7); break;
    case TextKind::seconds: out = decimal::format_double(value, 6, false); break;
    case TextKind::percent64: general(out, value, 13); break;
    case TextKind::float64: general(out, value, 16); break;
    }
    if (pretty && shows_noise(out)) general(out, value, short_kind ? 5 : 14);

    if (is_percent(kind)) {
        out.text[out.length++] = '%';
        out.text[out.length] = '\0';
    } else if (kind != TextKind::seconds && kind != TextKind::coordinate &&
               std::memchr(out.text, '.', static_cast<std::size_t>(out.length)) == nullptr) {
        const char* e = static_cast<const char*>(std::memchr(out.text, 'e', static_cast<std::size_t>(out.length)));
        int at = e != nullptr ? static_cast<int>(e - out.text) : out.length;
        std::memmove(out.text + at + 2, out.text + at, static_cast<std::size_t>(out.length - at + 1));
        out.text[at] = '.';
        out.text[at + 1] = '0';
        out.length += 2;
    }
    return out;
}

}  // namespace float_

}  // namespace zel
