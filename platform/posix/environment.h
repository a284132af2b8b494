// The process's environment variables, as UTF-8 text.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace zel::platform {

// True with the variable's value in `out`; false when it is not defined.
bool get_env(const char* name, std::string& out);
// Sets the variable, or removes it when `value` is null. False (errno EINVAL) for a name
// the system cannot hold: empty, or holding "=".
bool set_env(const char* name, const char* value);
// Every variable as a (name, value) pair, split at the first "=" after the name's first
// character, in the environment's order.
std::vector<std::pair<std::string, std::string>> environment();

}  // namespace zel::platform
