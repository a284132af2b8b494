// Pausing the process.
#pragma once

namespace zel::platform {

// Sleeps the given seconds, at least one millisecond, resuming after signals until the
// time has passed.
void sleep_seconds(double seconds);

}  // namespace zel::platform
