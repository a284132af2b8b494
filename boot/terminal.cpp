#include "boot/terminal.h"

#include <unistd.h>

#include "platform/posix/write-all.h"
#include "runtime/io/print-hooks.h"
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

constexpr char console_note[] = "The interactive console is not built yet: run a script with `zel FILE [ARGS]`.\n";

}  // namespace

int run(int argc, char** argv) {
    if (argc < 2) {
        platform::write_all(STDOUT_FILENO, console_note, sizeof console_note - 1);
        return 0;
    }
    stdio::add_print_hook(print_to_stdout);
    return script::run_main(argv[1]);
}

}  // namespace zel::terminal
