// Terminal mode: without a display the program runs in the terminal, `print` writing to
// standard output; a script named on the command line is run, with its arguments.
#pragma once

namespace zel::terminal {

// Runs the command line's script (argv[1]); answers the exit status.
int run(int argc, char** argv);

}  // namespace zel::terminal
