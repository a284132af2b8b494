#include "boot/library.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "boot/boot-routines.h"
#include "boot/library-sources.h"
#include "platform/posix/write-all.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/standard.h"
#include "runtime/eval/interpreter.h"
#include "runtime/eval/stack.h"
#include "runtime/io/script.h"
#include "runtime/io/zelbin.h"
#include "runtime/lexer/load-code.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/roots.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "runtime/natives/natives.h"
#include "runtime/natives/routines.h"

namespace zel::library {
namespace {

bool is_word_named(const Cell& c, Type t, u32 symbol) {
    return c.is(t) && symbol::canonical_id(c.w2) == symbol::canonical_id(symbol);
}

// `make action! [spec 1]` needs `make` itself: the first definition of the first file,
// `make: make action! [...]`, is carried out here once so that its evaluation can follow.
void bootstrap_make(const Cell& code) {
    const u32 make = symbol::intern("make");
    const u32 action = symbol::intern("action!");
    const u32 n = series::buffer_length(code);
    for (u32 i = code.w1; i + 3 < n; ++i) {
        if (!is_word_named(*block::cell_at(code, i), Type::set_word, make)) continue;
        if (!is_word_named(*block::cell_at(code, i + 1), Type::word, make) ||
            !is_word_named(*block::cell_at(code, i + 2), Type::word, action))
            break;
        Cell spec = *block::cell_at(code, i + 3);
        Cell value;
        registry().actions(Type::action).on_make(&value, &spec, Type::action);
        Cell word = *block::cell_at(code, i);
        context::set_word(word, value);
        return;
    }
    raise(ErrorId::internal_not_done);
}

// The code of a source file: what follows its header.
Cell code_of(const Source& source) {
    const std::size_t size = std::strlen(source.text);
    const std::size_t at = script::find_header(std::string_view(source.text, size));
    if (at == script::no_header) raise(ErrorId::internal_not_done);
    Cell code = lexer::load_code(reinterpret_cast<const u8*>(source.text) + at, static_cast<u32>(size - at));
    code.w1 += 2;
    return code;
}

// The functions a file makes carry the library flag.
class MakingLibrary {
public:
    MakingLibrary() { function::making_library = true; }
    ~MakingLibrary() { function::making_library = false; }
    MakingLibrary(const MakingLibrary&) = delete;
    MakingLibrary& operator=(const MakingLibrary&) = delete;
};

void run_code(const Cell& code, bool first) {
    if (first) bootstrap_make(code);
    Cell* const top = stack::top;
    const MakingLibrary making;
    interp::eval_block(code, false);
    stack::top = top;
}

// The runtime reads its settings from the `system` the library built; a debug build
// stops when a field the runtime reads by index is not where it expects it.
void adopt_system() {
    Cell system;
    context::global_value(symbol::intern("system"), system);
    if (!system.is(Type::object)) return;
    standard::adopt_system(system);
#ifndef NDEBUG
    if (const char* field = standard::misplaced_system_field()) {
        const std::string message = std::string("*** Boot Error: system field out of place: ") + field + "\n";
        platform::write_all(STDERR_FILENO, message.data(), message.size());
        std::exit(1);
    }
#endif
}

void finish(u32 count) {
#ifndef NDEBUG
    if (count) natives::check_library_definitions();
#endif
    (void)count;
    routines::close_constructor();
    boot_routines::remove();
    adopt_system();
    gc::set_enabled(true);
}

}  // namespace

void load(const Source* files, u32 count) {
    routines::open_constructor();
    boot_routines::install();
    for (u32 i = 0; i < count; ++i) run_code(code_of(files[i]), i == 0);
    finish(count);
}

void load_image(const Image& boot) {
    const u32 first = static_cast<u32>(block::length(roots::block()));
    try {
        zelbin::decode(boot.data, boot.size, roots::block(), none_cell, zelbin::Mode::boot);
    } catch (const ErrorThrow& e) {
        if (e.id != ErrorId::script_invalid_data) throw;
        const bool compressed = boot.size > 7 && (boot.data[7] & zelbin::flag::compressed);
        const std::string_view message =
            compressed ? "Error: Zelbin compressed data corrupted!\n" : "Error: Not a Zelbin file!\n";
        platform::write_all(STDERR_FILENO, message.data(), message.size());
        std::exit(1);
    }
    boot_routines::install();
    const Cell files = *roots::cell_at(first);
    routines::open_constructor();
    const u32 count = static_cast<u32>(block::length(files));
    for (u32 i = 0; i < count; ++i) run_code(*block::cell_at(files, i), i == 0);
    finish(count);
}

Cell image_of(const Source* files, u32 count) {
    Cell* codes = stack::push_slot();
    block::make_at(codes, static_cast<i32>(count));
    for (u32 i = 0; i < count; ++i) block::append_value(*codes, code_of(files[i]));
    const Cell encoded = zelbin::encode(*codes, true);
    stack::drop(1);
    return encoded;
}

}  // namespace zel::library
