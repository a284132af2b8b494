// time!: a signed double of seconds in words 2-3, without range limits (100:00:00 is a
// time). A child of float!: its arithmetic is the float core's, which keeps a time when
// exactly one operand is one. Its text carries the rounding of the seconds into the
// minutes, so it never shows 60 seconds.
#pragma once
#include "runtime/core/cell.h"

namespace zel {

class Output;

namespace time {

// Appends the text of a number of seconds (h:mm:ss with a fraction, "-" before a negative
// time) and returns the count of characters appended. Also the time of a date!.
i32 form_seconds(double seconds, Output& out);

// The seconds that text shows: a fraction that rounds up to a whole minute carried into it.
double shown_seconds(double seconds);

}  // namespace time
}  // namespace zel
