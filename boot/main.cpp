// The program's entry: set up the process, initialise the runtime, run inside the
// outermost catch, and exit.
#include "platform/services.h"
#include "runtime/print-hooks.h"
#include "runtime/process.h"

int main(int argc, char** argv) {
    zel::process::init(argc, argv);
    zel::stdio::init_print_hooks();
    zel::platform::init_services();
    zel::process::run([] {});
    zel::process::exit();
    return 0;
}
