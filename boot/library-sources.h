// The library's Zel source files, embedded in the program as text at build time (generated
// from library/*.zel), in the order the start-up evaluates them.
#pragma once
#include "runtime/memory/cell.h"

namespace zel::library {

struct Source {
    const char* name;  // the file name, for error reports
    const char* text;  // UTF-8, NUL-terminated
};

extern const Source sources[];
extern const u32 source_count;

}  // namespace zel::library
