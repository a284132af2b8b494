// The build stamp: the date and time this build of the runtime carries, as a date! text.
#pragma once

namespace zel::build {

constexpr const char* stamp() { return "13-Nov-2026/21:58:39"; }

}  // namespace zel::build
