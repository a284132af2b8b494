// Terminal mode: without a display the program runs in the terminal, `print` writing to
// standard output; a script named on the command line is run, with its arguments.
#pragma once

namespace zel::terminal {

// Runs the command line's script (argv[1]), or, when the command line starts with a switch
// or is empty, hands it to the console (`system/console/launch`); answers the exit status.
int run(int argc, char** argv);

}  // namespace zel::terminal
