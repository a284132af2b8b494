// The program's entry: set up the process, initialise the runtime inside the outermost
// catch (a language error that escapes is reported and ends the run with status 254), and
// exit with everything returned to the operating system.
#include "boot/runtime.h"
#include "runtime/eval/exits.h"
#include "runtime/process.h"

int main(int argc, char** argv) {
    zel::process::init(argc, argv);
    zel::process::run([] { zel::error::catch_uncaught([] { zel::runtime::init(); }); });
    zel::runtime::shutdown();
    zel::process::exit();
    return 0;
}
