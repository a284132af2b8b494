// Environment variables of the process, names and values in UTF-8.
#pragma once
#include <cstddef>

namespace zel::platform {

// Sets name to value, or removes it when value is null. True on success.
bool set_env_var(const char* name, const char* value);

// Copies the value of name into buffer (size bytes) with a terminator and returns its
// length; when the buffer is too small, copies nothing and returns the size needed,
// terminator included; returns 0 when name is not defined.
std::size_t get_env_var(const char* name, char* buffer, std::size_t size);

}  // namespace zel::platform
