// Loading the library: each embedded source file is transcoded, its words bound to the
// global context, and its code (after the header) evaluated, in start-up order. Collection
// is switched on once the library is in place.
#pragma once
#include "boot/library-sources.h"

namespace zel::library {

// Evaluates the source files given, in order, then switches collection on. A debug build
// checks in between that the library defines every native and action under its table's name.
void load(const Source* files, u32 count);

}  // namespace zel::library
