// Reading a whole file into memory: reads are continued until the end and retried when a
// signal interrupts them.
#pragma once
#include <string>

namespace zel::platform {

// True with the file's bytes in `out`; false (errno set) when it cannot be opened or read.
bool read_file(const char* path, std::string& out);

}  // namespace zel::platform
