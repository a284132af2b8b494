#include "runtime/lexer/lexer-decoders.h"

#include <cmath>
#include <limits>

#include "runtime/lexer/lexer-tables.h"
#include "runtime/text/decimal-parse.h"
#include "runtime/text/string-units.h"

namespace zel::lexer {

namespace {

u32 unit_at(const void* text, u32 i, u32 unit) {
    return unicode::read_unit(static_cast<const u8*>(text) + i * unit, unit);
}

bool is_digit(u32 c) { return c >= '0' && c <= '9'; }

}  // namespace

i32 decode_integer(const void* text, u32 length, u32 unit, i32& error) {
    error = 0;
    u32 i = 0;
    bool negative = false;
    if (length > 0) {
        u32 c = unit_at(text, 0, unit);
        if (c == '+' || c == '-') {
            negative = c == '-';
            i = 1;
        }
    }
    u64 magnitude = 0;
    bool any = false;
    for (; i < length; ++i) {
        u32 c = unit_at(text, i, unit);
        if (c == '\'') continue;
        if (!is_digit(c)) {
            error = decode_bad_text;
            return 0;
        }
        any = true;
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > 0x80000000u) {
            error = decode_overflow;
            return 0;
        }
    }
    if (!any) {
        error = decode_bad_text;
        return 0;
    }
    if (magnitude == 0x80000000u) {
        if (negative) return std::numeric_limits<i32>::min();
        error = decode_overflow;
        return 0;
    }
    auto value = static_cast<i32>(magnitude);
    return negative ? -value : value;
}

double decode_float(const void* text, u32 length, u32 unit, i32& error, int exponent_adjust) {
    constexpr u32 longest = 312;
    error = decode_bad_text;
    if (length > longest) return std::numeric_limits<double>::quiet_NaN();
    u8 bytes[longest];
    for (u32 i = 0; i < length; ++i) {
        u32 c = unit_at(text, i, unit);
        if (c > 0x7F) return std::numeric_limits<double>::quiet_NaN();
        bytes[i] = c == ',' ? '.' : static_cast<u8>(c);
    }
    if (!is_float_syntax(bytes, length)) return std::numeric_limits<double>::quiet_NaN();
    int left = 0;
    const char* start = reinterpret_cast<const char*>(bytes);
    double value = decimal::parse_double(start, start + length, exponent_adjust, left);
    if (left != 0) return std::numeric_limits<double>::quiet_NaN();
    error = 0;
    return value;
}

TupleParts decode_tuple(const void* text, u32 length, u32 unit) {
    TupleParts t{};
    u32 part = 0;
    bool digits = false;
    for (u32 i = 0; i <= length; ++i) {
        u32 c = i < length ? unit_at(text, i, unit) : '.';
        if (is_digit(c)) {
            part = part * 10 + (c - '0');
            digits = true;
            if (part > 255) return TupleParts{};
            continue;
        }
        if (c != '.' || !digits || t.count == 12) return TupleParts{};
        t.parts[t.count++] = static_cast<u8>(part);
        part = 0;
        digits = false;
    }
    return t;
}

bool decode_time(const u8* text, u32 length, double& seconds) {
    u32 i = 0;
    bool negative = false;
    if (i < length && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Whole numbers before each ":", then what follows the last one.
    double fields[3] = {};
    u32 count = 0;
    bool fraction = false;
    while (i < length) {
        u32 start = i;
        while (i < length && is_digit(text[i])) ++i;
        if (i == start || count == 3) return false;
        if (i < length && (text[i] == '.' || text[i] == ',')) {
            // A fraction makes this field the seconds: it must be the last one.
            if (count == 0) return false;
            for (u32 j = i; j < length; ++j)
                if (!is_digit(text[j]) && j != i) return false;
            fraction = true;
            i32 error = 0;
            double value = decode_float(text + start, length - start, 1, error);
            if (error || std::isnan(value)) return false;
            fields[count++] = value;
            i = length;
            break;
        }
        i32 error = 0;
        fields[count++] = decode_integer(text + start, i - start, 1, error);
        if (error) return false;
        if (i < length) {
            if (text[i] != ':' || i + 1 == length) return false;
            ++i;
        }
    }
    if (count < 2) return false;
    double hours = fields[0], minutes = fields[1], secs = fields[2];
    // "m:s.f": a fraction after the second field makes it the seconds.
    if (count == 2 && fraction) {
        secs = minutes;
        minutes = hours;
        hours = 0;
    }
    seconds = hours * 3600 + minutes * 60 + secs;
    if (negative) seconds = -seconds;
    return true;
}

}  // namespace zel::lexer
