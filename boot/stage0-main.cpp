// The stage-0 program: the runtime without its library, as the build runs it before the
// library exists in any other form. `zel-stage0 --boot-image OUTPUT FILE... [--start-up
// FILE...]` evaluates the library's source files and writes the boot image of what they
// made, with the code of the files after --start-up, which every start-up evaluates;
// anything else runs as `zel` does.
#include <string_view>

#include "boot/program.h"

int main(int argc, char** argv) {
    if (argc >= 3 && std::string_view(argv[1]) == "--boot-image")
        return zel::program::write_boot_image(argv[2], argv + 3, static_cast<zel::u32>(argc - 3));
    return zel::program::run(argc, argv, nullptr);
}
