#include <gtest/gtest.h>

#include <vector>

#include "runtime/text/utf8.h"

using namespace zel;
using namespace zel::unicode;

namespace {

using Bytes = std::vector<u8>;

bool is_scalar(u32 cp) { return cp <= max_code_point && !(cp >= 0xD800 && cp <= 0xDFFF); }

// Independent of the automaton: a byte sequence is well-formed UTF-8 exactly when it is
// the encoding of some scalar value, and encoding is plain bit layout.
bool reference_well_formed(const Bytes& s) {
    u8 lead = s[0];
    std::size_t len = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF8 ? 4 : lead >= 0xE0 && lead < 0xF0 ? 3
                    : lead >= 0xC0 && lead < 0xE0 ? 2 : 0;
    if (len != s.size()) return false;
    u32 cp = len == 1 ? lead : lead & (0x7Fu >> len);
    for (std::size_t i = 1; i < len; ++i) {
        if ((s[i] & 0xC0) != 0x80) return false;
        cp = cp << 6 | (s[i] & 0x3F);
    }
    u8 again[4];
    return is_scalar(cp) && encode_utf8_char(cp, again) == static_cast<int>(len) &&
           std::equal(s.begin(), s.end(), again);
}

// Decodes exactly the given bytes, from a heap block of their size so that the
// sanitizer sees any read past the end.
i32 decode(const Bytes& s, std::size_t& length) {
    std::vector<u8> exact(s);
    length = exact.size();
    return decode_utf8_char(exact.data(), length);
}

TEST(Utf8, EveryScalarValueRoundTrips) {
    for (u32 cp = 0; cp <= max_code_point; ++cp) {
        if (!is_scalar(cp)) continue;
        u8 buf[4];
        int n = encode_utf8_char(cp, buf);
        ASSERT_EQ(n, utf8_size_of_char(cp));
        std::size_t length = static_cast<std::size_t>(n);
        ASSERT_EQ(decode_utf8_char(buf, length), static_cast<i32>(cp));
        ASSERT_EQ(length, static_cast<std::size_t>(n));
    }
    u8 out[4];
    EXPECT_EQ(encode_utf8_char(0x110000, out), 0);
    EXPECT_EQ(utf8_size_of_char(0x110000), 0);
}

TEST(Utf8, AcceptsExactlyTheWellFormedSequences) {
    // Every sequence of one to three bytes, and four-byte sequences over the bytes where
    // the rules change.
    const u8 edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1,
                        0xC2, 0xDF, 0xE0, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    auto check = [](const Bytes& s) {
        std::size_t length;
        i32 cp = decode(s, length);
        bool accepted = cp >= 0 && length == s.size();
        if (accepted != reference_well_formed(s)) {
            ADD_FAILURE() << "sequence " << std::hex << int(s[0]) << " " << (s.size() > 1 ? int(s[1]) : -1)
                          << " " << (s.size() > 2 ? int(s[2]) : -1) << " accepted " << accepted;
            return false;
        }
        return true;
    };
    for (u32 a = 0; a < 256; ++a) {
        if (!check({u8(a)})) return;
        for (u32 b = 0; b < 256; ++b) {
            if (!check({u8(a), u8(b)})) return;
            if ((a & 0xF0) != 0xE0) continue;
            for (u32 c = 0; c < 256; ++c)
                if (!check({u8(a), u8(b), u8(c)})) return;
        }
    }
    for (u32 a = 0xF0; a < 0x100; ++a)
        for (u32 b = 0; b < 256; ++b)
            for (u8 c : edges)
                for (u8 d : edges)
                    if (!check({u8(a), u8(b), c, d})) return;
}

struct DecodeRow {
    const char* what;
    Bytes bytes;
    i32 result;
    std::size_t length;  // bytes taken (or to skip), or the input size when truncated
};

const DecodeRow decode_rows[] = {
    {"ASCII", {0x41}, 0x41, 1},
    {"two bytes", {0xC3, 0xA9}, 0xE9, 2},
    {"three bytes", {0xE2, 0x82, 0xAC}, 0x20AC, 3},
    {"four bytes", {0xF0, 0x9F, 0x98, 0x80}, 0x1F600, 4},
    {"U+FFFE is a character", {0xEF, 0xBF, 0xBE}, 0xFFFE, 3},
    {"U+FFFF", {0xEF, 0xBF, 0xBF}, 0xFFFF, 3},
    {"U+10FFFF", {0xF4, 0x8F, 0xBF, 0xBF}, 0x10FFFF, 4},
    {"only the first character", {0x41, 0xC3, 0xA9}, 0x41, 1},
    {"overlong NUL", {0xC0, 0x80}, utf8_invalid, 1},
    {"overlong slash", {0xC0, 0xAF}, utf8_invalid, 1},
    {"overlong two-byte", {0xC1, 0xBF}, utf8_invalid, 1},
    {"overlong three-byte", {0xE0, 0x9F, 0xBF}, utf8_invalid, 1},
    {"overlong four-byte", {0xF0, 0x8F, 0xBF, 0xBF}, utf8_invalid, 1},
    {"high surrogate", {0xED, 0xA0, 0x80}, utf8_invalid, 1},
    {"low surrogate", {0xED, 0xB0, 0x80}, utf8_invalid, 1},
    {"above U+10FFFF", {0xF4, 0x90, 0x80, 0x80}, utf8_invalid, 1},
    {"lead F5", {0xF5, 0x80, 0x80, 0x80}, utf8_invalid, 1},
    {"lone continuation", {0x80}, utf8_invalid, 1},
    {"lone continuation before text", {0xBF, 0x41}, utf8_invalid, 1},
    {"ASCII interrupts a sequence", {0xE2, 0x41, 0x42}, utf8_invalid, 1},
    {"lead interrupts a sequence", {0xE2, 0x82, 0xC3, 0xA9}, utf8_invalid, 2},
    {"cut after the lead", {0xE2}, utf8_truncated, 1},
    {"cut after two of three", {0xE2, 0x82}, utf8_truncated, 2},
    {"cut after three of four", {0xF0, 0x9F, 0x98}, utf8_truncated, 3},
    {"cut but already broken", {0xED, 0xA0}, utf8_invalid, 1},
};

TEST(Utf8, DecodeValidInvalidAndTruncated) {
    for (const DecodeRow& row : decode_rows) {
        SCOPED_TRACE(row.what);
        std::size_t length;
        EXPECT_EQ(decode(row.bytes, length), row.result);
        EXPECT_EQ(length, row.length);
    }
}

}  // namespace
