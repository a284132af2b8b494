#include "runtime/lexer/lexer-decoders.h"

#include <cmath>
#include <limits>

#include "runtime/core/date-word.h"
#include "runtime/core/money-word.h"
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

namespace {

// A cursor over the bytes of a token.
struct Reader {
    const u8* p;
    u32 length;
    u32 at = 0;

    bool done() const { return at == length; }
    u8 peek() const { return at < length ? p[at] : 0; }
    bool take(u8 c) {
        if (peek() != c) return false;
        ++at;
        return true;
    }
    // Up to `most` decimal digits; `count` says how many were read.
    u32 digits(u32 most, u32& count) {
        u32 value = 0;
        count = 0;
        while (count < most && is_digit(peek())) {
            value = value * 10 + (p[at++] - '0');
            ++count;
        }
        return value;
    }
};

bool is_letter(u8 c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A month name of 3 to 9 letters, any case, standing for the first month it begins.
u32 month_named(Reader& r) {
    static constexpr const char* names[12] = {"january", "february", "march",     "april",   "may",      "june",
                                              "july",    "august",   "september", "october", "november", "december"};
    const u32 start = r.at;
    while (is_letter(r.peek())) ++r.at;
    const u32 n = r.at - start;
    if (n < 3 || n > 9) return 0;
    for (u32 m = 0; m < 12; ++m) {
        u32 i = 0;
        while (i < n && names[m][i] && (r.p[start + i] | 0x20) == names[m][i]) ++i;
        if (i == n) return m + 1;
    }
    return 0;
}

// "Z", or a zone: a sign, hours and optional minutes, with or without ":".
bool zone(Reader& r, DateParts& parts) {
    if (r.take('Z')) return true;
    const bool negative = r.peek() == '-';
    if (!r.take('+') && !r.take('-')) return false;
    u32 count = 0;
    u32 hours = r.digits(4, count);
    u32 minutes = 0;
    if (count == 0) return false;
    if (count > 2) {
        if (r.take(':')) return false;
        minutes = hours % 100;
        hours /= 100;
    } else if (r.take(':')) {
        minutes = r.digits(2, count);
        if (count != 2) return false;
    }
    const i32 total = static_cast<i32>(hours * 60 + minutes);
    parts.zone_minutes = negative ? -total : total;
    return hours <= 15 && minutes <= 59;
}

// hours ":" minutes [":" seconds ["." fraction]], then an optional zone.
bool time_of_day(Reader& r, DateParts& parts) {
    u32 count = 0;
    const u32 hours = r.digits(2, count);
    if (count == 0 || !r.take(':')) return false;
    const u32 minutes = r.digits(2, count);
    if (count == 0 || hours > 23 || minutes > 59) return false;
    double seconds = 0;
    if (r.take(':')) {
        const u32 start = r.at;
        const u32 whole = r.digits(2, count);
        if (count == 0 || whole > 59) return false;
        seconds = whole;
        if (r.take('.')) {
            const u32 fraction = r.at;
            while (is_digit(r.peek())) ++r.at;
            if (r.at == fraction) return false;
            i32 error = 0;
            seconds = decode_float(r.p + start, r.at - start, 1, error);
            if (error) return false;
        }
    }
    parts.has_time = true;
    parts.seconds = hours * 3600.0 + minutes * 60.0 + seconds;
    return r.done() || (zone(r, parts) && r.done());
}

// The end of the token, or a time of day after "/" or "T".
bool time_part(Reader& r, DateParts& parts) {
    return r.done() || ((r.take('/') || r.take('T')) && time_of_day(r, parts));
}

// The calendar fields of day number d.
void set_day(DateParts& parts, i64 d) {
    const date_word::Fields f = date_word::from_day_number(d);
    parts.year = f.year;
    parts.month = f.month;
    parts.day = f.day;
}

// yyyymmdd "T" hhmm[ss], then "Z" or a zone.
bool compact_date(Reader& r, u32 date, DateParts& parts) {
    const u32 year = date / 10000, month = date / 100 % 100, day = date % 100;
    if (month < 1 || month > 12 || day < 1 || day > date_word::month_length(month, year) || !r.take('T')) return false;
    u32 count = 0;
    const u32 time = r.digits(6, count);
    if (count != 4 && count != 6) return false;
    const u32 hhmm = count == 6 ? time / 100 : time;
    if (hhmm / 100 > 23 || hhmm % 100 > 59 || (count == 6 && time % 100 > 59)) return false;
    parts.year = static_cast<i32>(year);
    parts.month = month;
    parts.day = day;
    parts.has_time = true;
    parts.seconds = hhmm / 100 * 3600.0 + hhmm % 100 * 60.0 + (count == 6 ? time % 100 : 0);
    return zone(r, parts) && r.done();
}

}  // namespace

bool decode_date(const u8* text, u32 length, DateParts& parts) {
    parts = DateParts{};
    Reader r{text, length};
    u32 first_digits = 0;
    const u32 first = r.digits(9, first_digits);
    if (first_digits == 0) return false;
    if (first_digits > 4) return first_digits == 8 && compact_date(r, first, parts);
    const u8 separator = r.peek();
    if (!r.take('-') && !r.take('/')) return false;
    if (separator == '-' && first_digits == 4 && r.take('W')) {
        // Week form: the week of the year, then an optional weekday 1-7 (Monday without one).
        u32 count = 0;
        const u32 week = r.digits(2, count);
        if (count != 2 || week < 1 || week > 53) return false;
        u32 weekday = 1;
        if (r.take('-')) {
            weekday = r.digits(1, count);
            if (count != 1 || weekday < 1 || weekday > 7) return false;
        }
        set_day(parts, date_word::iso_week_start(first) + 7 * (week - 1) + (weekday - 1));
        return time_part(r, parts);
    }
    u32 month = 0;
    if (is_digit(r.peek())) {
        u32 count = 0;
        const u32 field = r.digits(3, count);
        if (separator == '-' && count == 3 && r.peek() != '-') {
            // Ordinal form: the day of the year.
            if (field < 1 || field > (date_word::leap_year_q(first) ? 366u : 365u)) return false;
            set_day(parts, date_word::day_number(first, 1, field));
            return time_part(r, parts);
        }
        month = field;
    } else {
        month = month_named(r);
    }
    if (month < 1 || month > 12 || !r.take(separator)) return false;
    // Three fields: the year is the last one, unless the first is above 99 and the last
    // could be a day.
    u32 last_digits = 0;
    const u32 last = r.digits(5, last_digits);
    if (last_digits == 0) return false;
    const bool year_first = last <= 31 && first > 99;
    u32 year = year_first ? first : last;
    const u32 day = year_first ? last : first;
    if ((year_first ? first_digits : last_digits) <= 2) year += year < 50 ? 2000 : 1900;
    if (year > 9999 || day < 1 || day > date_word::month_length(month, year)) return false;
    parts.year = static_cast<i32>(year);
    parts.month = month;
    parts.day = day;
    return time_part(r, parts);
}

bool decode_money(const u8* text, u32 length, Cell& money) {
    Reader r{text, length};
    bool negative = r.peek() == '-';
    if (!r.take('+')) r.take('-');
    const u32 code = r.at;
    while (is_letter(r.peek())) ++r.at;
    u32 currency = 0;
    if (r.at - code != 0) {
        currency = money_word::currency_index({reinterpret_cast<const char*>(text) + code, r.at - code});
        if (currency == 0) return false;
    }
    if (!r.take('$')) return false;
    while (r.peek() == '0') ++r.at;
    // Integer digits: "'" separates them, never first, twice in a row or last.
    u32 digits = 0;
    money_word::Amount amount = 0;
    bool after_separator = false;
    for (; is_digit(r.peek()) || r.peek() == '\''; ++r.at) {
        const bool separator = r.peek() == '\'';
        if (separator && (after_separator || text[r.at - 1] == '$')) return false;
        if (!separator) {
            ++digits;
            amount = amount * 10 + (r.peek() - '0');
        }
        after_separator = separator;
    }
    if (after_separator || digits > money_word::integer_digits) return false;
    u32 fraction = 0;
    money_word::Amount fraction_value = 0;
    if (r.take('.') || r.take(',')) {
        while (fraction <= money_word::fraction_digits && is_digit(r.peek())) {
            fraction_value = fraction_value * 10 + (r.p[r.at++] - '0');
            ++fraction;
        }
        if (fraction > money_word::fraction_digits) return false;
    }
    if (!r.done()) return false;
    amount = amount * money_word::fraction_scale + fraction_value * money_word::power10(money_word::fraction_digits - fraction);
    money = money_word::cell(negative, currency, amount);
    return true;
}

}  // namespace zel::lexer
