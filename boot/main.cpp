// The zel program: the runtime with its embedded library.
#include "boot/library-sources.h"
#include "boot/program.h"

int main(int argc, char** argv) {
    const zel::program::Library library{zel::library::sources, zel::library::source_count, &zel::library::image};
    return zel::program::run(argc, argv, &library);
}
