// The program's entry: set up the process, initialise the runtime inside the outermost
// catch, and exit with everything returned to the operating system.
#include "boot/runtime.h"
#include "runtime/process.h"

int main(int argc, char** argv) {
    zel::process::init(argc, argv);
    zel::process::run([] { zel::runtime::init(); });
    zel::runtime::shutdown();
    zel::process::exit();
    return 0;
}
