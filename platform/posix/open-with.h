// Opening a URL or a file with the desktop's associated program.
#pragma once

namespace zel::platform {

enum class OpenWith { started, no_opener, failed };

// Runs xdg-open on the text and waits for it (it hands the target to the program and
// returns): started when it reported success, no_opener when xdg-open is not installed,
// failed otherwise.
OpenWith open_with_desktop(const char* target);

}  // namespace zel::platform
