// The runtime's start-up and shutdown: brings memory, the datatypes, the root block, the
// symbol table, the global context, the runtime words and the other tables to life in the
// one order each step relies on. Collection stays off until the library is loaded.
#pragma once

namespace zel::runtime {

// Cells the root block has room for: it never moves, so it never grows.
constexpr unsigned root_block_cells = 20000;

void init();
// Returns every node frame, series frame and big buffer to the operating system; the
// tracked heap goes with the process (process::exit).
void shutdown();

}  // namespace zel::runtime
