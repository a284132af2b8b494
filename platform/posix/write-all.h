// Writing a whole byte run to a file descriptor. Partial writes are continued and writes
// interrupted by a signal are retried, so no output is lost; other failures end the write.
// Uses write(2) alone: safe in a signal handler.
#pragma once
#include <cstddef>

namespace zel::platform {

// True when every byte was written.
bool write_all(int fd, const void* data, std::size_t size);

}  // namespace zel::platform
