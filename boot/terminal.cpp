#include "boot/terminal.h"

#include <unistd.h>

#include <cstring>

#include "platform/posix/write-all.h"
#include "runtime/core/cell-views.h"
#include "runtime/datatypes/standard.h"
#include "runtime/eval/interpreter.h"
#include "runtime/eval/stack.h"
#include "runtime/io/print-hooks.h"
#include "runtime/io/script.h"
#include "runtime/lexer/load-code.h"
#include "runtime/memory/buffer.h"
#include "runtime/memory/node.h"
#include "runtime/text/string-utf8.h"

namespace zel::terminal {
namespace {

void print_to_stdout(const Cell& text, bool new_line) {
    Cell s = text;
    i32 count = -1;
    const u8* bytes = unicode::to_utf8(s, count);
    platform::write_all(STDOUT_FILENO, bytes, static_cast<std::size_t>(count));
    if (new_line) platform::write_all(STDOUT_FILENO, "\n", 1);
}

}  // namespace

int run(int argc, char** argv) {
    stdio::add_print_hook(print_to_stdout);
    // The console takes the command line (`--cli` is the only console there is, so it
    // needs no handling of its own): its launch runs a named script or the prompt loop.
    // Without the library (the stage-0 program) there is no console: a script named first
    // runs as it stands.
    const Cell* console = standard::system_value({standard::Field::system_console});
    if ((!console || !console->is(Type::object)) && argc >= 2 && std::strncmp(argv[1], "--", 2) != 0)
        return script::run_main(argv[1]);
    constexpr char launch[] = "system/console/launch";
    Cell code = lexer::load_code(reinterpret_cast<const u8*>(launch), sizeof launch - 1);
    // The call is the system's own code, like the console it calls: an error report names
    // the user's code as its place, never this line.
    node::buffer(as_series(code).node)->flags |= bufferflag::library_code;
    Cell* const top = stack::top;
    interp::eval_block(code, false);
    stack::top = top;
    return 0;
}

}  // namespace zel::terminal
