#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "runtime/core/cell.h"
#include "runtime/text/decimal-digits.h"
#include "runtime/text/decimal-parse.h"
#include "runtime/text/float-text.h"

using namespace zel;

namespace {

struct Reference {
    std::string digits;
    int point;
};

// The digits and decimal-point position of std::to_chars' scientific text (shortest when
// precision is negative).
Reference reference_digits(double v, int precision = -1) {
    char buf[64];
    auto r = precision < 0
                 ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific)
                 : std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific,
                                 precision);
    std::string text(buf, r.ptr);
    auto e = text.find('e');
    std::string digits;
    for (std::size_t i = 0; i < e; ++i) {
        if (text[i] >= '0' && text[i] <= '9') digits += text[i];
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    return {digits, std::stoi(text.substr(e + 1)) + 1};
}

double parse(std::string_view text, int adjust = 0, int* left_out = nullptr) {
    // An exact-sized heap copy: a read past the end is caught by the address sanitizer.
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.data(), text.size());
    int left = -1;
    double v = decimal::parse_double(copy.get(), copy.get() + text.size(), adjust, left);
    if (left_out != nullptr) *left_out = left;
    return v;
}

u64 bits(double v) { return std::bit_cast<u64>(v); }

struct ExactText {
    std::string digits;  // value = 0.digits x 10^exponent
    int exponent;
};

// Half of a positive double, exactly: its full expansion from std::to_chars, halved by
// long division.
ExactText exact_half(double v) {
    std::string text(1200, '\0');
    auto r = std::to_chars(text.data(), text.data() + text.size(), v,
                           std::chars_format::scientific, 1100);
    text.resize(static_cast<std::size_t>(r.ptr - text.data()));
    auto e = text.find('e');
    std::string digits = text.substr(0, 1) + text.substr(2, e - 2), half;
    int remainder = 0;
    for (char c : digits) {
        int n = remainder * 10 + (c - '0');
        half += static_cast<char>('0' + n / 2);
        remainder = n % 2;
    }
    if (remainder != 0) half += '5';
    return {half, std::stoi(text.substr(e + 1)) + 1};
}

std::string mold(double v, bool pretty = true) {
    return std::string(decimal::format_double(v, 0, pretty).view());
}

// Doubles of every kind: random bit patterns (every exponent, subnormals included),
// powers of ten, and values a few units from a power of two or ten.
double sample(std::mt19937_64& rng, int i) {
    double v;
    switch (i % 4) {
    case 0: v = std::bit_cast<double>(rng() & ~(u64{1} << 63)); break;
    case 1: v = std::bit_cast<double>(rng() % (u64{1} << 53)); break;  // subnormals, tiny normals
    case 2: {
        double p = std::pow(10.0, static_cast<int>(rng() % 632) - 323);
        v = std::nextafter(p, (rng() & 1) ? 0.0 : INFINITY);
        break;
    }
    default: {
        double p = std::ldexp(1.0, static_cast<int>(rng() % 2098) - 1074);
        v = std::bit_cast<double>(bits(p) + (rng() % 5) - 2);
        break;
    }
    }
    return std::isfinite(v) && v != 0 ? v : 1.0;
}

TEST(FloatDigits, ShortestMatchesToCharsAndReadsBack) {
    std::mt19937_64 rng(20261210);
    for (int i = 0; i < 120000; ++i) {
        double v = i % 8 < 4 ? sample(rng, i) : -sample(rng, i);
        decimal::Digits d = decimal::digits(v, 0, true);
        Reference ref = reference_digits(v);
        ASSERT_EQ(std::string(d.text), ref.digits) << std::hexfloat << v;
        ASSERT_EQ(d.point, ref.point) << std::hexfloat << v;
        ASSERT_EQ(d.negative, v < 0);

        std::string text = mold(v);
        double back = parse(text);
        ASSERT_EQ(bits(back), bits(v)) << text;
        double oracle = 0;
        std::from_chars(text.data(), text.data() + text.size(), oracle);
        ASSERT_EQ(bits(back), bits(oracle)) << text;
    }
}

TEST(FloatDigits, CountedDigitsRoundHalfToEven) {
    std::mt19937_64 rng(7);
    for (int i = 0; i < 40000; ++i) {
        double v = sample(rng, i);
        int count = 1 + static_cast<int>(rng() % decimal::max_digits);
        decimal::Digits d = decimal::digits(v, count, false);
        Reference ref = reference_digits(v, count - 1);
        ASSERT_EQ(std::string(d.text), ref.digits) << std::hexfloat << v << " " << count;
        ASSERT_EQ(d.point, ref.point) << std::hexfloat << v << " " << count;
    }
    struct Row { double v; int count; const char* digits; int point; };
    const Row rows[] = {
        {0.125, 2, "12", 0},      // exact tie, even digit kept
        {0.375, 2, "38", 0},      // exact tie, odd digit rounded up
        {2.5, 1, "2", 1},
        {9.96, 2, "1", 2},        // the carry gives a new leading 1
        {999999.5, 6, "1", 7},
        {static_cast<double>(0.1f), 7, "1", 0},
        {0.3, 16, "3", 0},
        {1.0, 40, "1", 1},        // counts above the bound are taken as the bound
        {0.1, 40, "10000000000000001", 0},
    };
    for (const Row& r : rows) {
        decimal::Digits d = decimal::digits(r.v, r.count, false);
        EXPECT_STREQ(d.text, r.digits) << r.v << " " << r.count;
        EXPECT_EQ(d.point, r.point) << r.v << " " << r.count;
    }
}

// Every binary exponent with the significands at the ends of its range (a power of two
// has a closer lower neighbour), and round numbers whose scaled value is an exact
// integer or half, which the 128-bit bounds cannot settle alone.
TEST(FloatDigits, EveryExponentAndRoundNumbers) {
    std::vector<double> values;
    for (u64 biased = 0; biased < 0x7FF; ++biased) {
        for (u64 fraction : {u64{0}, u64{1}, u64{2}, (u64{1} << 52) - 1}) {
            if (biased == 0 && fraction == 0) continue;
            values.push_back(std::bit_cast<double>(biased << 52 | fraction));
        }
    }
    for (int e = 0; e <= 30; ++e) {
        for (double m : {1.0, 2.0, 5.0, 25.0, 125.0, 15.0, 999.0}) {
            values.push_back(m * std::pow(10.0, e));
        }
    }
    for (double v : values) {
        decimal::Digits d = decimal::digits(v, 0, true);
        Reference ref = reference_digits(v);
        ASSERT_EQ(std::string(d.text), ref.digits) << std::hexfloat << v;
        ASSERT_EQ(d.point, ref.point) << std::hexfloat << v;
        for (int count = 1; count <= decimal::max_digits; ++count) {
            decimal::Digits c = decimal::digits(v, count, true);
            Reference rc = reference_digits(v, count - 1);
            ASSERT_EQ(std::string(c.text), rc.digits) << std::hexfloat << v << " " << count;
            ASSERT_EQ(c.point, rc.point) << std::hexfloat << v << " " << count;
        }
    }
}

TEST(FloatDigits, SpecialValues) {
    struct Row { double v; bool pretty; const char* text; int point; bool negative; };
    const double inf = std::numeric_limits<double>::infinity();
    const Row rows[] = {
        {inf, true, "1.#INF", decimal::point_special, false},
        {-inf, true, "-1.#INF", decimal::point_special, true},
        {std::nan(""), true, "1.#NaN", decimal::point_special, false},
        {-std::nan(""), true, "1.#NaN", decimal::point_special, false},
        {0.0, true, "0.0", decimal::point_zero, false},
        {-0.0, true, "-0.0", decimal::point_zero, true},
        {0.0, false, "0", decimal::point_zero, false},
        {-0.0, false, "-0", decimal::point_zero, true},
        {5e-324, true, "5", -323, false},
        {0.1, true, "1", 0, false},
        {-2.5, true, "25", 1, true},
    };
    for (const Row& r : rows) {
        decimal::Digits d = decimal::digits(r.v, 0, r.pretty);
        EXPECT_STREQ(d.text, r.text);
        EXPECT_EQ(d.point, r.point) << r.text;
        EXPECT_EQ(d.negative, r.negative) << r.text;
    }
}

TEST(FloatLayout, MoldTexts) {
    struct Row { double v; const char* pretty; const char* plain; };
    const Row rows[] = {
        {1.5, "1.5", "1.5"},
        {100.0, "100.0", "100"},
        {0.001, "0.001", "0.001"},
        {1e-7, "0.0000001", "0.0000001"},
        {1e-8, "1.0e-8", "1e-8"},
        {1e16, "10000000000000000.0", "10000000000000000"},
        {1e17, "1.0e17", "1e17"},
        {1e20, "1.0e20", "1e20"},
        {1.25e-10, "1.25e-10", "1.25e-10"},
        {123456789012345678.0, "1.2345678901234568e17", "1.2345678901234568e17"},
        {0.1, "0.1", "0.1"},
        {0.1 + 0.2, "0.30000000000000004", "0.30000000000000004"},
        {0.1 + 0.7, "0.7999999999999999", "0.7999999999999999"},
        {-1234.5, "-1234.5", "-1234.5"},
        {5e-324, "5.0e-324", "5e-324"},
        {std::numeric_limits<double>::max(), "1.7976931348623157e308",
         "1.7976931348623157e308"},
        {std::numeric_limits<double>::min(), "2.2250738585072014e-308",
         "2.2250738585072014e-308"},
        {-0.0, "-0.0", "-0"},
        {0.0, "0.0", "0"},
        {std::numeric_limits<double>::infinity(), "1.#INF", "1.#INF"},
        {-std::numeric_limits<double>::infinity(), "-1.#INF", "-1.#INF"},
        {std::nan(""), "1.#NaN", "1.#NaN"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(mold(r.v, true), r.pretty);
        EXPECT_EQ(mold(r.v, false), r.plain);
    }
    // The longest layouts of counted digits stay inside the text.
    EXPECT_EQ(decimal::format_double(-1.2345678901234567e-100, 17, true).view(),
              "-1.2345678901234567e-100");
    EXPECT_EQ(decimal::format_double(-1.2345678901234567e-7, 40, true).view(),
              "-0.00000012345678901234566");
    EXPECT_EQ(decimal::format_double(12.5, 6, false).view(), "12.5");
}

class FormText : public ::testing::Test {
protected:
    void TearDown() override { float_::pretty = true; }
};

TEST_F(FormText, KindsWithAndWithoutPretty) {
    using K = float_::TextKind;
    struct Row { double v; K kind; const char* pretty; const char* plain; };
    const double inf = std::numeric_limits<double>::infinity();
    const Row rows[] = {
        {1.0, K::float64, "1.0", "1.0"},
        {1e20, K::float64, "1.0e20", "1.0e20"},
        {1.5e-7, K::float64, "1.5e-7", "1.5e-7"},
        {123.456, K::float64, "123.456", "123.456"},
        {1e-300, K::float64, "0.0", "1.0e-300"},
        {0.1 + 0.7, K::float64, "0.8", "0.7999999999999999"},
        {0.1 + 0.2, K::float64, "0.3", "0.3"},
        {-0.0, K::float64, "0.0", "-0.0"},
        {1e15, K::float64, "1000000000000000.0", "1000000000000000.0"},
        {1e16, K::float64, "1.0e16", "1.0e16"},
        {123456789.0, K::float64, "123456789.0", "123456789.0"},
        {0.0001, K::float64, "0.0001", "0.0001"},
        {0.00001, K::float64, "1.0e-5", "1.0e-5"},
        {inf, K::float64, "1.#INF", "1.#INF"},
        {-inf, K::percent64, "-1.#INF", "-1.#INF"},
        {std::nan(""), K::seconds, "1.#NaN", "1.#NaN"},
        {0.5 * 100, K::percent64, "50%", "50%"},
        {0.0 * 100, K::percent64, "0%", "0%"},
        {0.125 * 100, K::percent64, "12.5%", "12.5%"},
        {0.07 * 100, K::percent64, "7%", "7%"},
        {1.5, K::percent32, "1.5%", "1.5%"},
        {static_cast<double>(0.1f), K::float32, "0.1", "0.1"},
        {3.0, K::float32, "3.0", "3.0"},
        {2.5, K::coordinate, "2.5", "2.5"},
        {3.0, K::coordinate, "3", "3"},
        {0.0, K::coordinate, "0", "0"},
        {1e-20, K::coordinate, "0", "1e-20"},
        {12.5, K::seconds, "12.5", "12.5"},
        {7.0, K::seconds, "7", "7"},
        {1.0 / 3.0, K::seconds, "0.333333", "0.333333"},
    };
    for (const Row& r : rows) {
        float_::pretty = true;
        EXPECT_EQ(float_::to_text(r.v, r.kind).view(), r.pretty) << r.v;
        float_::pretty = false;
        EXPECT_EQ(float_::to_text(r.v, r.kind).view(), r.plain) << r.v;
    }
}

TEST_F(FormText, GeneralDigitsMatchPrintfStyleFormatting) {
    // With the noise rule off, form is the sixteen-digit general format plus ".0".
    float_::pretty = false;
    std::mt19937_64 rng(99);
    for (int i = 0; i < 20000; ++i) {
        double v = sample(rng, i);
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 16);
        std::string expected(buf, r.ptr);
        auto e = expected.find('e');
        if (e != std::string::npos) {
            std::string mantissa = expected.substr(0, e);
            int exponent = std::stoi(expected.substr(e + 1));
            if (mantissa.find('.') == std::string::npos) mantissa += ".0";
            expected = mantissa + "e" + std::to_string(exponent);
        } else if (expected.find('.') == std::string::npos) {
            expected += ".0";
        }
        ASSERT_EQ(float_::to_text(v, float_::TextKind::float64).view(), expected);
    }
}

TEST(FloatParse, Syntax) {
    struct Row { const char* text; int adjust; double value; int left; };
    const double inf = std::numeric_limits<double>::infinity();
    const Row rows[] = {
        {"1.5", 0, 1.5, 0},
        {"-1.5", 0, -1.5, 0},
        {"+0001.25", 0, 1.25, 0},
        {"1,5", 0, 1.5, 0},
        {"1'000'000.5", 0, 1000000.5, 0},
        {"1.5e3", 0, 1500.0, 0},
        {"1.5E-3", 0, 0.0015, 0},
        {"15", -1, 1.5, 0},
        {"1.5e2", 2, 15000.0, 0},
        {".5", 0, 0.5, 0},
        {"5.", 0, 5.0, 0},
        {"1e", 0, 1.0, 1},
        {"1e+", 0, 1.0, 2},
        {"2.5x", 0, 2.5, 1},
        {"abc", 0, 0.0, 3},
        {"", 0, 0.0, 0},
        {"-", 0, 0.0, 1},
        {"1.#INF", 0, inf, 0},
        {"-1.#INF", 0, -inf, 0},
        {"1.#inf", 0, inf, 0},
        {"1.#I", 0, inf, 0},
        {"1.#X", 0, 1.0, 2},
        {"1e400", 0, inf, 0},
        {"-1e400", 0, -inf, 0},
        {"1e-400", 0, 0.0, 0},
        {"1e99999999999999999999", 0, inf, 0},
        {"1e-99999999999999999999", 0, 0.0, 0},
        {"0.0", 0, 0.0, 0},
        {"0.1", 0, 0.1, 0},
        {"0.30000000000000004", 0, 0.1 + 0.2, 0},
        {"1.7976931348623157e308", 0, std::numeric_limits<double>::max(), 0},
        {"1.7976931348623159e308", 0, inf, 0},
        {"4.9406564584124654e-324", 0, 5e-324, 0},
        {"2.4703282292062328e-324", 0, 5e-324, 0},  // just above half the smallest
        {"2.4703282292062327e-324", 0, 0.0, 0},     // just below it
        {"2.2250738585072011e-308", 0, 2.225073858507201e-308, 0},
        {"9007199254740993", 0, 9007199254740992.0, 0},  // halfway, to even
        {"9007199254740995", 0, 9007199254740996.0, 0},
    };
    for (const Row& r : rows) {
        int left = -1;
        double v = parse(r.text, r.adjust, &left);
        EXPECT_EQ(bits(v), bits(r.value)) << r.text;
        EXPECT_EQ(left, r.left) << r.text;
    }
    EXPECT_EQ(bits(parse("1.#NaN")), u64{0x7FF8000000000000});
    EXPECT_EQ(bits(parse("-1.#nan")), u64{0x7FF8000000000000});
    EXPECT_TRUE(std::signbit(parse("-0.0")));
}

TEST(FloatParse, LongAndHalfwayTextsRoundCorrectly) {
    auto check = [](const std::string& text) {
        double oracle = 0;
        std::from_chars(text.data(), text.data() + text.size(), oracle);
        int left = -1;
        ASSERT_EQ(bits(parse(text, 0, &left)), bits(oracle)) << text;
        ASSERT_EQ(left, 0) << text;
    };
    // Exact halfway points (2m + 1) x 2^(e - 1) between neighbouring doubles, with and
    // without a last digit just above or below them.
    std::mt19937_64 rng(3);
    for (int i = 0; i < 20000; ++i) {
        unsigned __int128 odd = 2 * ((u64{1} << 52) + rng() % (u64{1} << 52)) + 1;
        int e = static_cast<int>(rng() % 100) - 32;
        std::string text;
        if (e >= 0) {
            unsigned __int128 n = odd << (e > 60 ? 60 : e);
            do text.insert(text.begin(), static_cast<char>('0' + n % 10));
            while ((n /= 10) != 0);
        } else {
            unsigned __int128 n = odd;
            for (int k = 0; k < -e; ++k) n *= 5;  // odd x 2^e = odd x 5^-e / 10^-e
            do text.insert(text.begin(), static_cast<char>('0' + n % 10));
            while ((n /= 10) != 0);
            text += "e" + std::to_string(e);
        }
        check(text);
        std::string mantissa = text.substr(0, text.find('e'));
        std::string exponent = text.substr(mantissa.size());
        check(mantissa + ".000000000000000000001" + exponent);
        if (mantissa.back() != '0') {
            --mantissa.back();
            check(mantissa + ".999999999999999999999" + exponent);
        }
    }
    // Far more digits than a halfway point can have, the last one deciding the rounding.
    std::string half = "9007199254740993";
    check(half + "." + std::string(900, '0'));
    check(half + "." + std::string(900, '0') + "1");
    check("0." + std::string(400, '0') + "1e400");
    check(std::string(500, '9') + "e-500");
    // Halfway between neighbouring subnormals: half of an odd multiple of the smallest
    // double, spelt out exactly in some 750 digits, rounds to the even neighbour; a
    // last non-zero digit far to the right rounds it up.
    for (u64 odd : {u64{1}, u64{3}, u64{5}, u64{12345677}, (u64{1} << 53) - 1}) {
        ExactText halfway = exact_half(std::bit_cast<double>(odd));
        std::string tie = "0." + halfway.digits + "e" + std::to_string(halfway.exponent);
        std::string above = "0." + halfway.digits + "0000000001e" + std::to_string(halfway.exponent);
        check(tie);
        check(above);
        u64 lower = odd / 2, even = lower % 2 == 0 ? lower : lower + 1;
        EXPECT_EQ(bits(parse(tie)), even) << odd;
        EXPECT_EQ(bits(parse(above)), lower + 1) << odd;
    }
}

}  // namespace
