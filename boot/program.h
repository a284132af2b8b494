// The program: set up the process, initialise the runtime and load the library given inside
// the outermost catch, run the command line in the terminal (a language error that escapes
// is reported and ends the run with status 254), and exit with everything returned to the
// operating system. The full program passes the embedded library, which it loads from the
// boot image (from the source text when the environment variable ZEL_LIBRARY_TEXT is set);
// the stage-0 program passes none and runs on the runtime's own values alone.
#pragma once
#include "boot/library-sources.h"

namespace zel::program {

struct Library {
    const library::Source* sources;
    u32 count;
    const library::Image* image;
};

int run(int argc, char** argv, const Library* library);

// The stage-0 program's build step: transcodes the library's source files (paths) and writes
// their boot image to `output`. Answers the exit status.
int write_boot_image(const char* output, char** paths, u32 count);

}  // namespace zel::program
