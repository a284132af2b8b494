// Times the float text conversions against the C++ library's on the same doubles:
// shortest digits (mold) and text to double. Usage: float_text_bench [count]
#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "runtime/core/cell.h"
#include "runtime/text/decimal-digits.h"
#include "runtime/text/decimal-parse.h"
#include "runtime/text/float-text.h"

using namespace zel;

namespace {

template <class F>
double seconds(F&& f) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void report(const char* what, double ours, double library, std::size_t n) {
    const double ns_each = 1e9 / static_cast<double>(n);
    std::printf("%-28s ours %7.1f ns   std %7.1f ns   ratio %.2f\n", what, ours * ns_each, library * ns_each,
                ours / library);
}

// Whether the shortest digits and their position equal those of std::to_chars.
bool same_digits(double v) {
    char buf[64];
    char* end = std::to_chars(buf, buf + sizeof buf - 1, v, std::chars_format::scientific).ptr;
    *end = '\0';
    std::string digits;
    char* p = buf;
    for (; p < end && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') digits += *p;
    }
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    decimal::Digits d = decimal::digits(v, 0, true);
    return digits == d.text && d.point == std::atoi(p + 1) + 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t n = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 2000000;
    std::mt19937_64 rng(1);
    std::vector<double> values;
    values.reserve(n);
    while (values.size() < n) {
        double v = std::bit_cast<double>(rng());
        if (std::isfinite(v)) values.push_back(v);
    }
    // Prices and the like: at most two decimals, as typed in scripts.
    std::vector<double> short_values;
    for (std::size_t i = 0; i < n; ++i) {
        short_values.push_back(static_cast<double>(1 + rng() % 100000) / 100);
    }

    for (const std::vector<double>* set : {&values, &short_values}) {
        const char* name = set == &values ? "random bits" : "two decimals";
        std::printf("%s, %zu doubles\n", name, set->size());
        std::vector<std::string> texts;
        texts.reserve(set->size());
        // Text lengths summed so that the timed work is used.
        std::ptrdiff_t sink = 0;
        double ours = seconds([&] {
            for (double v : *set) {
                FloatText t = decimal::format_double(v, 0, true);
                sink += t.length;
            }
        });
        double library = seconds([&] {
            char buf[32];
            for (double v : *set) sink += std::to_chars(buf, buf + 32, v).ptr - buf;
        });
        report("shortest text", ours, library, set->size());
        ours = seconds([&] {
            for (double v : *set) sink += float_::to_text(v, float_::TextKind::float64).length;
        });
        library = seconds([&] {
            char buf[40];
            for (double v : *set) {
                sink += std::to_chars(buf, buf + 40, v, std::chars_format::general, 16).ptr - buf;
            }
        });
        report("form (16 digits)", ours, library, set->size());
        std::size_t digit_mismatches = 0;
        for (double v : *set) digit_mismatches += !same_digits(v);
        std::printf("shortest digits unlike std::to_chars: %zu\n", digit_mismatches);
        for (double v : *set) texts.emplace_back(decimal::format_double(v, 0, true).view());

        std::size_t mismatches = 0;
        ours = seconds([&] {
            for (std::size_t i = 0; i < texts.size(); ++i) {
                int left;
                const std::string& s = texts[i];
                double v = decimal::parse_double(s.data(), s.data() + s.size(), 0, left);
                mismatches += std::bit_cast<u64>(v) != std::bit_cast<u64>((*set)[i]);
            }
        });
        library = seconds([&] {
            for (const std::string& s : texts) {
                double v;
                std::from_chars(s.data(), s.data() + s.size(), v);
                sink += v > 0;
            }
        });
        report("text to double", ours, library, texts.size());
        std::printf("round-trip mismatches: %zu (checksum %td)\n\n", mismatches, sink % 10);
    }
}
