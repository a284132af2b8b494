#include "platform/posix/sleep.h"

#include <cerrno>
#include <ctime>

namespace zel::platform {

std::uint32_t sleep_milliseconds(double seconds) {
    double ms = seconds * 1000;
    if (!(ms >= 1)) return 1;
    if (ms >= 4294967295.0) return 4294967295u;
    return static_cast<std::uint32_t>(ms);
}

void sleep_seconds(double seconds) {
    std::uint32_t ms = sleep_milliseconds(seconds);
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace zel::platform
