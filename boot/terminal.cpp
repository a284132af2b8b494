#include "boot/terminal.h"

#include <unistd.h>

#include <cstring>

#include "boot/boot-routines.h"
#include "platform/posix/write-all.h"
#include "runtime/datatypes/standard.h"
#include "runtime/eval/interpreter.h"
#include "runtime/eval/stack.h"
#include "runtime/io/print-hooks.h"
#include "runtime/lexer/load-code.h"
#include "runtime/io/script.h"
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

// The command line as the script sees it: `system/options/script` the script's file,
// `system/options/args` and `system/script/args` the arguments after it.
void set_script_arguments(const char* path) {
    using standard::Field;
    const Cell file{header_of(Type::file), 0,
                    unicode::load_utf8_new(reinterpret_cast<const u8*>(path), static_cast<u32>(std::strlen(path))), 0};
    standard::set_system_value({Field::system_options, Field::options_script}, file);
    standard::set_system_value({Field::system_options, Field::options_args}, boot_routines::argument_strings(2));
    standard::set_system_value({Field::system_script, Field::script_args}, boot_routines::command_line(2));
}

}  // namespace

int run(int argc, char** argv) {
    stdio::add_print_hook(print_to_stdout);
    if (argc >= 2 && std::strncmp(argv[1], "--", 2) != 0) {
        set_script_arguments(argv[1]);
        return script::run_main(argv[1]);
    }
    // Switches first, or no script: the console takes the command line (`--cli` is the
    // only console there is, so it needs no handling of its own).
    constexpr char launch[] = "system/console/launch";
    Cell code = lexer::load_code(reinterpret_cast<const u8*>(launch), sizeof launch - 1);
    Cell* const top = stack::top;
    interp::eval_block(code, false);
    stack::top = top;
    return 0;
}

}  // namespace zel::terminal
