// Start-up of the platform's services, once, before any output: for now console output;
// imaging, the GUI and secure random bytes need no global start-up of their own.
#pragma once

namespace zel::platform {

void init_services();

}  // namespace zel::platform
