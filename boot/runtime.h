// The runtime's start-up and shutdown: brings memory, the datatypes, the root block, the
// symbol table, the global context, the runtime words and the other tables to life in the
// one order each step relies on. Start-up goes as far as a stage asks (a test or a tool
// needs only the layers it exercises) and starts each one afresh, so it may run again
// after a shutdown. Collection stays off until the library is loaded.
#pragma once
#include "runtime/core/cell.h"

namespace zel::runtime {

// Cells the root block has room for: it never moves, so it never grows.
constexpr unsigned root_block_cells = 20000;

// Each stage includes the ones before it.
enum class Stage : u8 {
    memory,     // the memory manager, collection off
    datatypes,  // the datatypes' action rows
    names,      // the root block, the global context, the symbol table and the runtime words
    objects,    // the ownership table, the standard records with the error catalogue, objects' hooks
    runtime,    // the console, the datatype words, the evaluator and the natives: all the library needs
};

void init(Stage upto = Stage::runtime);
// Returns every node frame, series frame and big buffer to the operating system, after
// any stage; the tracked heap goes with the process (process::exit).
void shutdown();
// The shutdown of a process about to exit: the externals and resources are shut down, while
// the memory goes with the process, the kernel dropping the whole address space at once
// faster than frame by frame. Sanitizer builds shut down whole, as their checks expect.
void finish();

}  // namespace zel::runtime
