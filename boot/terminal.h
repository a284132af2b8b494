// Terminal mode: without a display the program runs in the terminal, `print` writing to
// standard output; a script named on the command line is run, with its arguments.
#pragma once

namespace zel::terminal {

// Hands the command line to the console (`system/console/launch`), which runs the script it
// names or the prompt loop; without the library (the stage-0 program) runs the script named
// first as it stands. Answers the exit status.
int run(int argc, char** argv);

}  // namespace zel::terminal
