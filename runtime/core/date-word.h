// The packed date word of a date! cell and the calendar arithmetic behind it, shared by
// the lexer (which builds dates from literals) and date! itself. Day numbers count days
// from 1 March of year 0 in the proleptic Gregorian calendar and are 64-bit, with floor
// division throughout, so that no year in the 15-bit range overflows or rounds wrongly.
//
// Word layout: year (signed, 15 bits) in bits 17-31, time flag bit 16, month bits 12-15,
// day bits 7-11, zone sign bit 6, zone hours bits 2-5, zone quarter hours bits 0-1.
#pragma once
#include "runtime/core/cell-views.h"

namespace zel::date_word {

constexpr u32 time_flag = 1u << 16;
constexpr i32 min_year = -16384;
constexpr i32 max_year = 16383;
constexpr u32 zone_mask = 0x7F;
constexpr u32 zone_sign = 0x40;

struct Fields {
    i32 year = 0;
    u32 month = 1;
    u32 day = 1;
};

constexpr i32 year_of(u32 word) { return static_cast<i32>(word) >> 17; }
constexpr u32 month_of(u32 word) { return word >> 12 & 0xF; }
constexpr u32 day_of(u32 word) { return word >> 7 & 0x1F; }
constexpr Fields fields_of(u32 word) { return {year_of(word), month_of(word), day_of(word)}; }

constexpr u32 pack(Fields f, u32 zone_bits, bool has_time) {
    return static_cast<u32>(f.year) << 17 | f.month << 12 | f.day << 7 | (has_time ? time_flag : 0) |
           (zone_bits & zone_mask);
}

constexpr i64 floor_div(i64 a, i64 b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }
constexpr i64 floor_mod(i64 a, i64 b) { return a - floor_div(a, b) * b; }

constexpr bool leap_year_q(i64 year) { return floor_mod(year, 4) == 0 && (floor_mod(year, 100) != 0 || floor_mod(year, 400) == 0); }

constexpr u32 month_length(u32 month, i64 year) {
    constexpr u8 lengths[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && !leap_year_q(year) ? 28 : lengths[month - 1];
}

// The day number of a day of a month; day 0 is the last day of the month before.
constexpr i64 day_number(i64 year, u32 month, i64 day) {
    const i64 m = (month + 9) % 12;
    const i64 y = year - m / 10;
    return 365 * y + floor_div(y, 4) - floor_div(y, 100) + floor_div(y, 400) + (306 * m + 5) / 10 + (day - 1);
}
constexpr i64 day_number(u32 word) { return day_number(year_of(word), month_of(word), day_of(word)); }

constexpr Fields from_day_number(i64 d) {
    i64 y = floor_div(10000 * d + 14780, 3652425);
    auto start = [](i64 year) { return 365 * year + floor_div(year, 4) - floor_div(year, 100) + floor_div(year, 400); };
    i64 r = d - start(y);
    if (r < 0) {
        --y;
        r = d - start(y);
    }
    const i64 mi = (100 * r + 52) / 3060;
    return {static_cast<i32>(y + (mi + 2) / 12), static_cast<u32>((mi + 2) % 12 + 1),
            static_cast<u32>(r - (306 * mi + 5) / 10 + 1)};
}

// The word of day number d with the zone bits and time flag of `like`.
constexpr u32 repack(u32 like, i64 d) { return pack(from_day_number(d), like & zone_mask, (like & time_flag) != 0); }

// 1 Monday .. 7 Sunday.
constexpr u32 weekday(i64 d) { return static_cast<u32>(floor_mod(d + 2, 7)) + 1; }

constexpr i32 zone_seconds(u32 word) {
    const i32 magnitude = static_cast<i32>((word >> 2 & 0xF) * 3600 + (word & 3) * 900);
    return word & zone_sign ? -magnitude : magnitude;
}

// Zone bits from a signed count of minutes; minutes within a quarter hour are dropped.
constexpr u32 zone_bits(i32 minutes) {
    const u32 magnitude = static_cast<u32>(minutes < 0 ? -minutes : minutes);
    const u32 bits = (magnitude / 60 % 16) << 2 | (magnitude % 60) / 15;
    return bits != 0 && minutes < 0 ? bits | zone_sign : bits;
}

constexpr i64 year_start(i64 year) { return day_number(year, 1, 1); }

// The day number of the Monday that starts ISO week 1 of a year: the week holding the
// year's first Thursday.
constexpr i64 iso_week_start(i64 year) {
    const i64 jan1 = year_start(year);
    const i64 w = floor_mod(jan1 + 2, 7);
    return w >= 4 ? jan1 - w + 7 : jan1 - w;
}

// A date! cell of a calendar day; with a time, the local time of day is stored as the
// UTC seconds that the cell keeps.
inline Cell cell(Fields f, u32 zone, bool has_time, double local_seconds) {
    Cell c{header_of(Type::date), pack(f, zone, has_time), 0, 0};
    set_float_payload(c, has_time ? local_seconds - zone_seconds(zone) : 0.0);
    return c;
}

constexpr i64 unix_epoch_day = day_number(1970, 1, 1);

}  // namespace zel::date_word
