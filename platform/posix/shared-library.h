// Entries of a library opened at run time (dlopen) rather than linked, so that a program
// pays for loading it only when it is first used.
#pragma once
#include <dlfcn.h>

namespace zel::platform {

// True with `entry` pointing at the library's symbol `name`.
template <class Entry>
bool find_entry(void* library, const char* name, Entry& entry) {
    entry = reinterpret_cast<Entry>(dlsym(library, name));
    return entry != nullptr;
}

}  // namespace zel::platform
