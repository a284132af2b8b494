#include "boot/process.h"

#include <cstring>
#include <unistd.h>

#include "boot/fault-filter.h"
#include "runtime/memory/fatal.h"
#include "runtime/memory/heap.h"

namespace zel::process {

State state;

namespace {

void build_argv(int argc, const char* const* argv) {
    auto** vector = static_cast<char**>(heap::alloc(sizeof(char*) * (static_cast<std::size_t>(argc) + 1)));
    for (int i = 0; i < argc; ++i) {
        std::size_t size = std::strlen(argv[i]) + 1;
        vector[i] = static_cast<char*>(heap::alloc(size));
        std::memcpy(vector[i], argv[i], size);
    }
    vector[argc] = nullptr;
    state.argc = argc;
    state.argv = vector;
}

bool needs_quotes(const char* arg) {
    return *arg == '\0' || std::strpbrk(arg, " \t\n\v\f\r\"") != nullptr;
}

}  // namespace

void init(int argc, const char* const* argv) {
    platform::record_main_stack();
    state.stack = platform::main_stack();
    install_fault_filter();
    state.std_input = STDIN_FILENO;
    state.std_output = STDOUT_FILENO;
    state.std_error = STDERR_FILENO;
    build_argv(argc, argv);
}

std::string command_line(int argc, const char* const* argv) {
    std::string text;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) text += ' ';
        bool quoted = needs_quotes(argv[i]);
        if (quoted) text += '"';
        text += argv[i];
        if (quoted) text += '"';
    }
    return text;
}

void exit() {
    heap::free_all();
    state.argc = 0;
    state.argv = nullptr;
}

void outermost_catch(const Throw& t) {
    if (t.code == ThrowCode::quit) fatal::exit_with_error(0);
    fatal::exit_with_error(fatal::no_catch_for_throw, reinterpret_cast<std::uintptr_t>(&outermost_catch));
}

}  // namespace zel::process
