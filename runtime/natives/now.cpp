// The native now: the clock's date and time in the local zone (or UTC), whole or one of
// its fields.
#include <time.h>

#include <cmath>

#include "generated/refinements.h"
#include "runtime/core/date-word.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/date.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {

// At most one of the field refinements and /precise, /time with /precise excepted.
void now(const i32* refinements) {
    const u32 exclusive[] = {now_ref::year, now_ref::month, now_ref::day, now_ref::time, now_ref::zone,
                             now_ref::date, now_ref::weekday, now_ref::yearday, now_ref::precise};
    u32 count = 0;
    for (u32 r : exclusive) count += used(refinements, r);
    const bool precise = used(refinements, now_ref::precise);
    if (count > 1 && !(count == 2 && precise && used(refinements, now_ref::time))) raise(ErrorId::script_bad_refines);

    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm parts{};
    const bool utc = used(refinements, now_ref::utc);
    if (utc) gmtime_r(&ts.tv_sec, &parts);
    else localtime_r(&ts.tv_sec, &parts);
    const date_word::Fields day{parts.tm_year + 1900, static_cast<u32>(parts.tm_mon + 1), static_cast<u32>(parts.tm_mday)};

    if (used(refinements, now_ref::date)) {
        set_result(date::from_parts(date_word::pack(day, 0, false), 0.0));
        return;
    }
    const u32 zone = utc ? 0 : date_word::zone_bits(static_cast<i32>(parts.tm_gmtoff / 60));
    const u32 word = date_word::pack(day, zone, true);
    double local = parts.tm_hour * 3600.0 + parts.tm_min * 60.0 + parts.tm_sec;
    if (precise) local += static_cast<double>(ts.tv_nsec) / 1e9;
    const Cell value = date::from_parts(word, local - date_word::zone_seconds(word));

    struct Field {
        u32 refinement;
        i32 index;
    };
    constexpr Field fields[] = {{now_ref::year, 2}, {now_ref::month, 3},   {now_ref::day, 4},     {now_ref::zone, 5},
                                {now_ref::time, 6}, {now_ref::weekday, 10}, {now_ref::yearday, 11}};
    for (const Field& f : fields) {
        if (used(refinements, f.refinement)) {
            set_result(date::field(value, f.index));
            return;
        }
    }
    set_result(value);
}

}  // namespace zel::natives
