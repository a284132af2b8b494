// The program: set up the process, initialise the runtime and load the library sources
// given inside the outermost catch, run the command line in the terminal (a language error
// that escapes is reported and ends the run with status 254), and exit with everything
// returned to the operating system. The full program passes the embedded library; the
// stage-0 program passes none and runs on the runtime's own values alone.
#pragma once
#include "boot/library-sources.h"

namespace zel::program {

int run(int argc, char** argv, const library::Source* sources, u32 count);

}  // namespace zel::program
