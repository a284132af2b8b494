// The stage-0 program: the runtime without its library, as the build runs it before the
// library exists in any other form.
#include "boot/program.h"

int main(int argc, char** argv) { return zel::program::run(argc, argv, nullptr, 0); }
