// Sleeping: whole milliseconds, never less than one, so that a short wait still yields.
#pragma once
#include <cstdint>

namespace zel::platform {

// seconds x 1000 truncated toward zero, raised to 1 when below 1 (or not a number), and
// held to what a 32-bit count of milliseconds can say.
std::uint32_t sleep_milliseconds(double seconds);

void sleep_seconds(double seconds);

}  // namespace zel::platform
