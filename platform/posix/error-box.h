// The error box: how the runtime shows a failure to the user before it ends. Until windows
// exist it is the line "caption: text" on standard error. It allocates nothing and writes
// with write(2) alone, so the fault handlers may call it.
#pragma once

namespace zel::platform {

void error_box(const char* caption, const char* text);

}  // namespace zel::platform
