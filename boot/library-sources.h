// The library's Zel source files as text, in the order the start-up evaluates them. The
// embedded ones are generated from library/*.zel at build time into a library of their
// own, which only the full program links: a runtime without its library links without it.
#pragma once
#include "runtime/core/cell.h"

namespace zel::library {

struct Source {
    const char* name;  // the file name, for error reports
    const char* text;  // UTF-8, NUL-terminated
};

extern const Source sources[];
extern const u32 source_count;

}  // namespace zel::library
