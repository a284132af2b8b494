#include "platform/posix/clock.h"

#include <cstdlib>
#include <ctime>

namespace zel::platform {

double time_of_day(bool precise) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm utc{};
    gmtime_r(&now.tv_sec, &utc);
    double seconds = utc.tm_hour * 3600 + utc.tm_min * 60 + utc.tm_sec;
    if (precise) seconds += static_cast<double>(now.tv_nsec / 100) / 1e7;
    return seconds;
}

std::uint32_t date_now_packed(bool utc) {
    time_t now = std::time(nullptr);
    tm t{};
    if (utc) gmtime_r(&now, &t); else localtime_r(&now, &t);
    int offset_minutes = utc ? 0 : static_cast<int>(t.tm_gmtoff / 60);
    return pack_date(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, offset_minutes);
}

std::uint32_t zone_bits(int offset_minutes) {
    auto magnitude = static_cast<std::uint32_t>(std::abs(offset_minutes));
    std::uint32_t bits = (magnitude / 60) << 2 | (magnitude % 60) / 15;
    return offset_minutes < 0 ? bits | 0x40 : bits;
}

std::uint32_t pack_date(int year, int month, int day, int offset_minutes) {
    return static_cast<std::uint32_t>(year) << 17 | static_cast<std::uint32_t>(month) << 12 |
           static_cast<std::uint32_t>(day) << 7 | zone_bits(offset_minutes);
}

}  // namespace zel::platform
