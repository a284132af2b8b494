#include "boot/process.h"

#include "boot/fault-filter.h"
#include "runtime/memory/fatal.h"
#include "runtime/memory/heap.h"

namespace zel::process {

State state;

void init() {
    platform::record_main_stack();
    state.stack = platform::main_stack();
    install_fault_filter();
}

void record_arguments(int count, char** values) { state.arguments = {count, values}; }

void exit() { heap::free_all(); }

void outermost_catch(const Throw& t) {
    if (t.code == ThrowCode::quit) fatal::exit_with_error(0);
    fatal::exit_with_error(fatal::no_catch_for_throw, reinterpret_cast<std::uintptr_t>(&outermost_catch));
}

}  // namespace zel::process
