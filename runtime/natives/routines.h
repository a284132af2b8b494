// The routine table: the code of the library's routine! values, and the constructor
// `make routine! [spec code]`, which exists only while the library loads.
#pragma once

namespace zel::routines {

// Fills the routine table (once per process) and opens the constructor.
void open_constructor();
// Closes it: `make routine!` is refused from then on.
void close_constructor();

}  // namespace zel::routines
