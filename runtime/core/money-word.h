// The payload of a money! cell, shared by the lexer and money! itself: the sign in header
// bit 14, the currency index in cell byte 4 (0 none, else the 1-based position in the
// currency list), and 22 packed decimal digits in bytes 5-15, most significant first:
// 17 integer digits and 5 fraction digits. The amount is handled as an integer count of
// hundred-thousandths (an amount), which packs and unpacks exactly.
#pragma once
#include <string_view>

#include "runtime/core/cell.h"
#include "runtime/core/hooks.h"

namespace zel::money_word {

using Amount = unsigned __int128;

constexpr u32 sign_bit = 0x4000;
constexpr u32 digit_count = 22;
constexpr u32 fraction_digits = 5;
constexpr u32 integer_digits = 17;
constexpr u64 fraction_scale = 100000;

// 10^n as an amount.
constexpr Amount power10(u32 n) {
    Amount p = 1;
    while (n-- > 0) p *= 10;
    return p;
}
constexpr Amount limit = power10(digit_count);  // every amount lies below it

// The currency list as shipped, in order.
inline constexpr const char currency_codes[][4] = {
#define ZEL_CURRENCY(code) #code,
#include "runtime/core/currencies.def"
#undef ZEL_CURRENCY
};
constexpr u32 currency_count = sizeof currency_codes / sizeof currency_codes[0];

// The 1-based index of a three-letter code, any case, or 0 when it is not listed.
constexpr u32 find_currency(std::string_view code) {
    if (code.size() != 3) return 0;
    for (u32 i = 0; i < currency_count; ++i) {
        u32 k = 0;
        while (k < 3 && (code[k] & ~0x20) == currency_codes[i][k]) ++k;
        if (k == 3) return i + 1;
    }
    return 0;
}

// The most currencies a money! cell can name: its index is one byte.
constexpr u32 currency_limit = 255;

// The 1-based index of a code in the currency list: a shipped one, or one a script has
// appended; 0 when it is in neither.
inline u32 currency_index(std::string_view code) {
    const u32 shipped = find_currency(code);
    if (shipped != 0 || code.size() != 3 || !hooks::added_currency_index) return shipped;
    const char text[4] = {code[0], code[1], code[2], 0};
    return hooks::added_currency_index(text);
}

// The code of a 1-based index, upper case; "???" for an index that names none.
struct Code {
    char text[4];
};
inline Code currency_code(u32 index) {
    Code c{{'?', '?', '?', 0}};
    if (index >= 1 && index <= currency_count) {
        for (u32 k = 0; k < 4; ++k) c.text[k] = currency_codes[index - 1][k];
    } else if (hooks::added_currency_code && !hooks::added_currency_code(index, c.text)) {
        c = Code{{'?', '?', '?', 0}};
    }
    return c;
}

inline u8* digit_bytes(Cell& c) { return reinterpret_cast<u8*>(&c) + 5; }
inline const u8* digit_bytes(const Cell& c) { return reinterpret_cast<const u8*>(&c) + 5; }

inline u32 currency_of(const Cell& c) { return c.w1 & 0xFF; }
inline void set_currency_index(Cell& c, u32 currency) { c.w1 = (c.w1 & ~u32{0xFF}) | (currency & 0xFF); }
inline bool negative_bit(const Cell& c) { return (c.header & sign_bit) != 0; }

inline Amount amount_of(const Cell& c) {
    const u8* bytes = digit_bytes(c);
    Amount a = 0;
    for (u32 i = 0; i < digit_count / 2; ++i) a = a * 100 + (bytes[i] >> 4) * 10 + (bytes[i] & 0xF);
    return a;
}

// The digit at 1-based position n (1 the most significant, 17 the units).
inline u32 digit_at(const Cell& c, u32 n) {
    const u8 byte = digit_bytes(c)[(n - 1) / 2];
    return n % 2 ? byte >> 4 : byte & 0xF;
}

// A money! cell; the amount must lie below `limit`. Zero never carries the sign.
inline Cell cell(bool negative, u32 currency, Amount amount) {
    Cell c{header_of(Type::money) | (negative && amount != 0 ? sign_bit : 0), currency & 0xFF, 0, 0};
    u8* bytes = digit_bytes(c);
    for (u32 i = digit_count / 2; i-- > 0;) {
        const u32 pair = static_cast<u32>(amount % 100);
        amount /= 100;
        bytes[i] = static_cast<u8>(pair / 10 << 4 | pair % 10);
    }
    return c;
}

}  // namespace zel::money_word
