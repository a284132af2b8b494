// date!: a calendar day with an optional time of day and zone, wholly inside its cell:
// word 1 the packed date word (runtime/core/date-word.h), words 2-3 a double of seconds.
// The packed day is the local day; the seconds are UTC time counted from that day's start,
// so local time = seconds + zone offset lies in [0, 86400). Every change of the day or the
// time is normalised to keep that so.
#pragma once
#include "runtime/core/cell-views.h"
#include "runtime/core/date-word.h"
#include "runtime/datatypes/action-signatures.h"

namespace zel::date {

// Seconds since 1-Jan-1970 UTC, the time rounded half up to a whole second.
i64 to_unix_seconds(const Cell& value);

// The UTC date and time (zone 0) `seconds` + `fraction` after 1-Jan-1970 UTC.
Cell from_unix_time(i64 seconds, double fraction);

// The time! from the instant of value2 to that of value1, left in value1 (the set
// operation difference of two dates).
Cell* difference(Cell* value1, const Cell* value2);

// The arithmetic core, also reached from integer!: days or a date (subtract only) from a
// date, the result left in value1.
Cell* arithmetic(ArithOp op, Cell* value1, Cell* value2);

// A date! of a packed date word and the UTC seconds from the start of its day.
Cell from_parts(u32 word, double seconds);
// Field `index` of a date, as a path reads it: 2 year, 3 month, 4 day, 5 zone, 6 time,
// 10 weekday, 11 yearday.
Cell field(const Cell& value, i32 index);

}  // namespace zel::date
