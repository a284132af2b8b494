#include "runtime/text/base-codecs.h"

#include <array>

namespace zel::base_codec {
namespace {

constexpr std::string_view hex_digits = "0123456789ABCDEF";
constexpr std::string_view base58_digits = "123456789ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnopqrstuvwxyz";
constexpr std::string_view base64_digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr u8 not_a_digit = 255;

// The value of each ASCII digit of an alphabet; not_a_digit for any other byte.
struct DigitTable {
    std::array<u8, 256> value{};
    constexpr explicit DigitTable(std::string_view alphabet, bool any_case = false) {
        value.fill(not_a_digit);
        for (std::size_t i = 0; i < alphabet.size(); ++i) {
            const u8 c = static_cast<u8>(alphabet[i]);
            value[c] = static_cast<u8>(i);
            if (any_case && c >= 'A' && c <= 'Z') value[c + 32] = static_cast<u8>(i);
        }
    }
};

constexpr DigitTable base2_table{"01"};
constexpr DigitTable base16_table{hex_digits, true};
constexpr DigitTable base58_table{base58_digits};
constexpr DigitTable base64_table{base64_digits};

// The digits of the text: blanks and comments dropped, "=" kept for base 64; bases 58
// and 64 also skip "'" between digits.
std::string digits_of(std::string_view text, bool skip_quote) {
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const u8 c = static_cast<u8>(text[i]);
        if (c == ';') {
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (c > ' ' && !(skip_quote && c == '\'')) {
            digits.push_back(static_cast<char>(c));
        }
    }
    return digits;
}

// Groups of `bits` digits of `width` bits each make bytes, most significant first.
bool decode_bits(const DigitTable& table, u32 width, const std::string& digits, std::string& bytes) {
    u32 acc = 0;
    u32 held = 0;
    for (const char ch : digits) {
        const u8 d = table.value[static_cast<u8>(ch)];
        if (d == not_a_digit) return false;
        acc = acc << width | d;
        held += width;
        if (held == 8) {
            bytes.push_back(static_cast<char>(acc & 0xFF));
            acc = 0;
            held = 0;
        }
    }
    return held == 0;
}

// Every 4 digits give 3 bytes. "=" ends the data: 3 digits pending give 2 more bytes, 2
// give 1; at most the "=" that complete their group may follow.
bool decode_base64(const std::string& digits, std::string& bytes) {
    u32 group = 0;
    std::size_t pending = 0;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        const u8 c = static_cast<u8>(digits[i]);
        if (c == '=') {
            if (pending < 2 || digits.find_first_not_of('=', i) != std::string::npos || digits.size() - i > 4 - pending)
                return false;
            for (std::size_t k = 0; k + 1 < pending; ++k) bytes.push_back(static_cast<char>(group >> (6 * pending - 8 * (k + 1))));
            return true;
        }
        const u8 d = base64_table.value[c];
        if (d == not_a_digit) return false;
        group = group << 6 | d;
        if (++pending == 4) {
            for (int k = 0; k < 3; ++k) bytes.push_back(static_cast<char>(group >> (16 - 8 * k)));
            group = 0;
            pending = 0;
        }
    }
    return pending == 0;
}

// Each leading "1" is a 00 byte; the rest is one number in base 58, converted to base
// 256 digit by digit.
bool decode_base58(const std::string& digits, std::string& bytes) {
    std::size_t zeros = 0;
    while (zeros < digits.size() && digits[zeros] == '1') ++zeros;
    std::string number;  // base-256 digits, least significant first
    for (std::size_t i = zeros; i < digits.size(); ++i) {
        u32 carry = base58_table.value[static_cast<u8>(digits[i])];
        if (carry == not_a_digit) return false;
        for (char& byte : number) {
            carry += static_cast<u32>(static_cast<u8>(byte)) * 58;
            byte = static_cast<char>(carry & 0xFF);
            carry >>= 8;
        }
        for (; carry; carry >>= 8) number.push_back(static_cast<char>(carry & 0xFF));
    }
    bytes.append(zeros, '\0');
    bytes.append(number.rbegin(), number.rend());
    return true;
}

std::string encode_base58(const u8* bytes, std::size_t count) {
    std::size_t zeros = 0;
    while (zeros < count && bytes[zeros] == 0) ++zeros;
    std::string number;  // base-58 digits, least significant first
    for (std::size_t i = zeros; i < count; ++i) {
        u32 carry = bytes[i];
        for (char& digit : number) {
            carry += static_cast<u32>(static_cast<u8>(digit)) << 8;
            digit = static_cast<char>(carry % 58);
            carry /= 58;
        }
        for (; carry; carry /= 58) number.push_back(static_cast<char>(carry % 58));
    }
    std::string text(zeros, '1');
    for (auto it = number.rbegin(); it != number.rend(); ++it) text.push_back(base58_digits[static_cast<u8>(*it)]);
    return text;
}

std::string encode_base64(const u8* bytes, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; i += 3) {
        const std::size_t n = count - i < 3 ? count - i : 3;
        u32 group = u32{bytes[i]} << 16;
        if (n > 1) group |= u32{bytes[i + 1]} << 8;
        if (n > 2) group |= bytes[i + 2];
        for (std::size_t k = 0; k < 4; ++k)
            text.push_back(k <= n ? base64_digits[group >> (18 - 6 * k) & 63] : '=');
    }
    return text;
}

}  // namespace

bool known(u32 base) { return base == 2 || base == 16 || base == 58 || base == 64; }

std::string encode(u32 base, const u8* bytes, std::size_t count) {
    std::string text;
    switch (base) {
    case 2:
        for (std::size_t i = 0; i < count; ++i)
            for (int bit = 7; bit >= 0; --bit) text.push_back(bytes[i] >> bit & 1 ? '1' : '0');
        return text;
    case 16:
        for (std::size_t i = 0; i < count; ++i) {
            text.push_back(hex_digits[bytes[i] >> 4]);
            text.push_back(hex_digits[bytes[i] & 15]);
        }
        return text;
    case 58: return encode_base58(bytes, count);
    default: return encode_base64(bytes, count);
    }
}

u64 encoded_size(u32 base, u64 count) {
    switch (base) {
    case 2: return 8 * count;
    case 64: return (count + 2) / 3 * 4;
    default: return 2 * count;
    }
}

bool decode(u32 base, std::string_view text, std::string& bytes) {
    const std::string digits = digits_of(text, base == 58 || base == 64);
    switch (base) {
    case 2: return decode_bits(base2_table, 1, digits, bytes);
    case 16: return decode_bits(base16_table, 4, digits, bytes);
    case 58: return decode_base58(digits, bytes);
    case 64: return decode_base64(digits, bytes);
    default: return false;
    }
}

}  // namespace zel::base_codec
