// The clock: the UTC time of day and today's date packed as date! keeps it,
// year << 17 | month << 12 | day << 7 | zone, the zone being the offset from UTC in
// hours (bits 2-5) and quarter hours (bits 0-1), bit 6 set when it is west of UTC.
#pragma once
#include <cstdint>

namespace zel::platform {

// Seconds since UTC midnight; with precise, the fraction to 100 ns, else whole seconds.
double time_of_day(bool precise);

// Today's date: in UTC with zone 0, or local with the local offset (daylight saving
// included).
std::uint32_t date_now_packed(bool utc);

// Zone bits of an offset from UTC in minutes.
std::uint32_t zone_bits(int offset_minutes);

std::uint32_t pack_date(int year, int month, int day, int offset_minutes);

}  // namespace zel::platform
