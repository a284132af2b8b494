#include "boot/library.h"

#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "boot/boot-routines.h"
#include "boot/library-sources.h"
#include "platform/posix/write-all.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/object.h"
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

void finish(bool defined_here) {
#ifndef NDEBUG
    if (defined_here) natives::check_library_definitions();
#endif
    (void)defined_here;
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
    finish(count != 0);
}

namespace {

// The snapshot's roots: the global context's words in their order; then set-global records
// of the words that parameter blocks name as types (their datatypes, typesets and words are
// in place before any function is read, since a parameter block is checked as it is read);
// then a block of the values of the words, the last class id taken, and the code blocks of
// the files evaluated at start-up.
namespace part {
constexpr u32 values = 0;
constexpr u32 class_id = 1;
constexpr u32 start_up = 2;
constexpr u32 count = 3;
}  // namespace part

// What the runtime makes and keeps in its own root cells, which the library stores in
// `system` (`runtime-value`): the snapshot names them, so that the runtime and `system`
// share them as after an evaluation of the library, and the error catalogue is not read
// twice.
std::array<Cell, 5> kept_values() {
    return {*standard::refs.errors, *standard::refs.error, *standard::refs.port, *standard::refs.url_parts,
            *standard::refs.schemes};
}

bool names_a_type(const Cell& value) {
    return value.is(Type::datatype) || value.is(Type::typeset) ||
           (value.is(Type::word) && (as_word(value).context == 0 || as_word(value).context == context::global));
}

}  // namespace

void load_image(const Image& boot) {
    const u32 first = static_cast<u32>(block::length(roots::block()));
    // The routine table is filled in the order the snapshot was made in, so that the codes
    // its routines name are the same.
    routines::open_constructor();
    boot_routines::install();
    try {
        const auto kept = kept_values();
        zelbin::decode(boot.data, boot.size, roots::block(), none_cell, zelbin::Mode::boot, kept);
    } catch (const ErrorThrow& e) {
        if (e.id != ErrorId::script_invalid_data) throw;
        const bool compressed = boot.size > 7 && (boot.data[7] & zelbin::flag::compressed);
        const std::string_view message =
            compressed ? "Error: Zelbin compressed data corrupted!\n" : "Error: Not a Zelbin file!\n";
        platform::write_all(STDERR_FILENO, message.data(), message.size());
        std::exit(1);
    }
    if (static_cast<u32>(block::length(roots::block())) != first + 2) raise(ErrorId::internal_not_done);
    const Cell words = *roots::cell_at(first);
    const Cell root = *roots::cell_at(first + 1);
    if (!words.is(Type::block) || !root.is(Type::block) || block::length(root) != part::count)
        raise(ErrorId::internal_not_done);
    const Cell values = *block::cell_at(root, part::values);
    const u32 n = static_cast<u32>(block::length(words));
    if (block::length(values) != static_cast<i32>(n)) raise(ErrorId::internal_not_done);
    for (u32 i = 0; i < n; ++i) {
        const Cell value = *block::cell_at(values, i);
        if (!value.is(Type::unset)) *context::value_cell(*block::cell_at(words, i), context::global) = value;
    }
    object::continue_class_ids(block::cell_at(root, part::class_id)->w2);
    const Cell start_up = *block::cell_at(root, part::start_up);
    const u32 count = static_cast<u32>(block::length(start_up));
    for (u32 i = 0; i < count; ++i) run_code(*block::cell_at(start_up, i), false);
    // The root block lets go of the snapshot's parts: what the library keeps is reachable
    // from the global context.
    *roots::cell_at(first) = none_cell;
    *roots::cell_at(first + 1) = none_cell;
    finish(true);
}

Cell image_of(const Source* files, u32 count, const Source* start_up, u32 start_up_count) {
    routines::open_constructor();
    boot_routines::install();
    for (u32 i = 0; i < count; ++i) run_code(code_of(files[i]), i == 0);
    const u32 n = context::word_count(context::global);
    Cell* roots_block = stack::push_slot();
    block::make_at(roots_block, static_cast<i32>(n + 2));
    Cell* words = stack::push_slot();
    block::make_at(words, static_cast<i32>(n));
    Cell* root = stack::push_slot();
    block::make_at(root, static_cast<i32>(part::count));
    Cell* values = stack::push_slot();
    block::make_at(values, static_cast<i32>(n));
    block::append_value(*roots_block, *words);
    for (u32 i = 0; i < n; ++i) {
        const Cell word = *context::word_at(context::global, i);
        block::append_value(*words, word_cell(Type::word, context::global, as_word(word).symbol, i));
        // A handle names a resource of the running process: the only one in a global word,
        // null-handle, is set by the runtime itself before the library loads.
        const Cell value = *context::value_cell(word, context::global);
        block::append_value(*values, value.is(Type::handle) ? unset_cell : value);
        if (names_a_type(value)) {
            block::append_value(*roots_block, word_cell(Type::set_word, context::global, as_word(word).symbol, i));
            block::append_value(*roots_block, value);
        }
    }
    Cell* codes = stack::push_slot();
    block::make_at(codes, static_cast<i32>(start_up_count));
    for (u32 i = 0; i < start_up_count; ++i) block::append_value(*codes, code_of(start_up[i]));
    block::append_value(*root, *values);
    block::append_value(*root, Cell{header_of(Type::integer), 0, object::last_class_id(), 0});
    block::append_value(*root, *codes);
    block::append_value(*roots_block, *root);
    const auto kept = kept_values();
    const Cell encoded = zelbin::encode_boot(*roots_block, kept);
    stack::drop(5);
    return encoded;
}

}  // namespace zel::library
