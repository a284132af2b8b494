#include "platform/posix/sleep.h"

#include <cerrno>
#include <cmath>
#include <ctime>

namespace zel::platform {

void sleep_seconds(double seconds) {
    double ms = std::floor(seconds * 1000.0);
    if (!(ms >= 1.0)) ms = 1.0;  // also a NaN
    // A wait beyond a century is a wait for ever in practice; keep the numbers in range.
    if (ms > 3.15e12) ms = 3.15e12;
    const double whole = std::floor(ms / 1000.0);
    timespec left{static_cast<time_t>(whole), static_cast<long>((ms - whole * 1000.0) * 1e6)};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace zel::platform
