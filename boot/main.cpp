// The program's entry: set up the process, initialise the runtime and load the library
// inside the outermost catch, run the command line in the terminal (a language error that
// escapes is reported and ends the run with status 254), and exit with everything returned
// to the operating system.
#include "boot/library.h"
#include "boot/runtime.h"
#include "boot/terminal.h"
#include "runtime/eval/exits.h"
#include "runtime/process.h"

int main(int argc, char** argv) {
    zel::process::init(argc, argv);
    int status = 0;
    zel::process::run([&] {
        zel::error::catch_uncaught([&] {
            zel::runtime::init();
            zel::library::load();
            status = zel::terminal::run(argc, argv);
        });
    });
    zel::runtime::shutdown();
    zel::process::exit();
    return status;
}
