#include "boot/program.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "boot/library.h"
#include "boot/process.h"
#include "boot/runtime.h"
#include "boot/terminal.h"
#include "runtime/core/cell-views.h"
#include "runtime/eval/exits.h"
#include "runtime/memory/node.h"

namespace zel::program {
namespace {

bool text_switch() {
    const char* text = std::getenv("ZEL_LIBRARY_TEXT");
    return text && *text && std::string(text) != "0";
}

void load(const Library* library) {
    if (!library) return;
    if (text_switch()) library::load(library->sources, library->count);
    else library::load_image(*library->image);
}

bool read_file(const char* path, std::string& text) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    char chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool write_file(const char* path, const u8* bytes, std::size_t size) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int run(int argc, char** argv, const Library* library) {
    process::init();
    process::record_arguments(argc, argv);
    int status = 0;
    process::run([&] {
        exits::catch_uncaught([&] {
            runtime::init();
            load(library);
            status = terminal::run(argc, argv);
        });
    });
    runtime::finish();
    process::exit();
    return status;
}

int write_boot_image(const char* output, char** paths, u32 count) {
    // The files after the --start-up marker are evaluated at every start-up.
    u32 evaluated = count;
    for (u32 i = 0; i < count; ++i)
        if (std::string(paths[i]) == "--start-up") evaluated = i;
    std::vector<std::string> texts(count);
    std::vector<library::Source> sources(count);
    for (u32 i = 0; i < count; ++i) {
        if (i == evaluated) continue;
        if (!read_file(paths[i], texts[i])) {
            std::fprintf(stderr, "cannot read %s\n", paths[i]);
            return 1;
        }
        sources[i] = {paths[i], texts[i].c_str()};
    }
    process::init();
    int status = 1;
    process::run([&] {
        exits::catch_uncaught([&] {
            runtime::init();
            const u32 start_up = evaluated < count ? evaluated + 1 : count;
            const Cell image =
                library::image_of(sources.data(), evaluated, sources.data() + start_up, count - start_up);
            Buffer* b = node::buffer(as_series(image).node);
            if (write_file(output, b->head_ptr(), b->used())) status = 0;
            else std::fprintf(stderr, "cannot write %s\n", output);
        });
    });
    runtime::shutdown();
    process::exit();
    return status;
}

}  // namespace zel::program
