#include "boot/program.h"

#include "boot/library.h"
#include "boot/process.h"
#include "boot/runtime.h"
#include "boot/terminal.h"
#include "runtime/eval/exits.h"

namespace zel::program {

int run(int argc, char** argv, const library::Source* sources, u32 count) {
    process::init();
    int status = 0;
    process::run([&] {
        exits::catch_uncaught([&] {
            runtime::init();
            library::load(sources, count);
            status = terminal::run(argc, argv);
        });
    });
    runtime::shutdown();
    process::exit();
    return status;
}

}  // namespace zel::program
