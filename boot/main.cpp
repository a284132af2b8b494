// The zel program: the runtime with its embedded library.
#include "boot/library-sources.h"
#include "boot/program.h"

int main(int argc, char** argv) {
    return zel::program::run(argc, argv, zel::library::sources, zel::library::source_count);
}
