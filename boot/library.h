// Loading the library: each embedded source file is transcoded, its words bound to the
// global context, and its code (after the header) evaluated, in start-up order. Collection
// is switched on once the library is in place.
#pragma once

namespace zel::library {

void load();

}  // namespace zel::library
