#include "boot/boot-routines.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "boot/process.h"
#include "platform/posix/command-line.h"
#include "platform/posix/directory.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/money-word.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/standard.h"
#include "runtime/eval/frame.h"
#include "runtime/eval/routine-code.h"
#include "runtime/lexer/load-code.h"
#include "runtime/memory/gc.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "runtime/text/float-text.h"
#include "runtime/text/string-utf8.h"

namespace zel::boot_routines {
namespace {


Cell word_cell(std::string_view name) {
    return Cell{header_of(Type::word), 0, symbol::intern(name), context::no_index};
}

bool named(const Cell& word, std::string_view name) {
    return symbol::canonical_id(as_word(word).symbol) == symbol::canonical_id(symbol::intern(name));
}

// A directory as a file! ending in a slash.
Cell directory(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return unicode::string_of_utf8(path, Type::file);
}

Cell current_directory() {
    const std::string dir = platform::current_dir();
    return dir.empty() ? none_cell : unicode::string_of_utf8(dir, Type::file);
}

// $HOME/.zel/, or /tmp/.zel/ without a home.
Cell cache_directory() {
    const char* home = std::getenv("HOME");
    std::string path = home && *home ? home : "/tmp";
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return directory(path + "/.zel");
}

Cell currency_list() {
    Cell list;
    block::make_at(&list, static_cast<i32>(money_word::currency_count));
    for (const char* code : money_word::currency_codes) block::append_value(list, word_cell(code));
    return list;
}

// runtime-value name: what the runtime holds under that name.
void runtime_value(const Cell&, const Cell* args, Cell& result) {
    const Cell& name = args[0];
    if (named(name, "errors")) result = *standard::refs.errors;
    else if (named(name, "error")) result = *standard::refs.error;
    else if (named(name, "port")) result = *standard::refs.port;
    else if (named(name, "url-parts")) result = *standard::refs.url_parts;
    else if (named(name, "schemes")) result = *standard::refs.schemes;
    else if (named(name, "currencies")) result = currency_list();
    // The global context seen as an object: class -1, no handlers.
    else if (named(name, "words")) result = Cell{header_of(Type::object), context::global, 0xFFFFFFFF, 0};
    else if (named(name, "current-dir")) result = current_directory();
    else if (named(name, "cache-dir")) result = cache_directory();
    else if (named(name, "boot")) {
        const process::Arguments& a = process::state.arguments;
        result = a.count > 0 ? unicode::string_of_utf8(a.values[0], Type::string) : none_cell;
    } else if (named(name, "args")) result = argument_strings(1);
    else if (named(name, "command-line")) result = command_line(0);
    else if (named(name, "argument-line")) result = command_line(1);
    else raise(ErrorId::script_invalid_arg, &name);
}

void object_of_class(const Cell&, const Cell* args, Cell& result) {
    result = object::make_with_class(args[1], static_cast<u32>(as_integer(args[0]).value));
}

void collector_active(const Cell&, const Cell*, Cell& result) { result = gc::enabled() ? true_cell : false_cell; }

// Nodes never move, so every collection is a cycle of both the series and the nodes.
void collector_cycles(const Cell&, const Cell*, Cell& result) {
    result = Cell{header_of(Type::integer), 0, gc::stats().collections, 0};
}

// True when any open call, from the innermost down, was opened by the interpreter: code
// that interpreted code reaches, through any number of other calls, counts as called from it.
void interpreted_q(const Cell&, const Cell*, Cell& result) {
    bool any = false;
    for (u32 i = frame::depth(); i > 0 && !any; --i) any = (frame::at(i - 1)->header & frame::interpreted_flag) != 0;
    result = any ? true_cell : false_cell;
}

// The float formatter's pretty flag, which system/options/float/pretty? mirrors.
void float_pretty(const Cell&, const Cell* args, Cell&) { float_::pretty = as_logic(args[0]).value != 0; }

struct Routine {
    const char* name;
    const char* spec;
    routine_code::Code code;
};

constexpr Routine routines[] = {
    {"object-of-class", "[\"Makes an object that takes a fixed class id\" id [integer!] body [block!]]",
     object_of_class},
    {"runtime-value", "[\"Returns a value the runtime keeps\" name [word!]]", runtime_value},
    {"collector-active?", "[\"Returns TRUE if the garbage collector is enabled\"]", collector_active},
    {"collector-series-cycles", "[\"Returns the number of series collection cycles\"]", collector_cycles},
    {"collector-nodes-cycles", "[\"Returns the number of node collection cycles\"]", collector_cycles},
    {"interpreted-call?", "[\"Return TRUE if called from the interpreter\"]", interpreted_q},
    {"float-pretty", "[\"Sets the float formatter's pretty flag\" flag [logic!]]", float_pretty},
};

u32 codes[sizeof routines / sizeof routines[0]] = {};

Cell make_routine(const Routine& r, u32 code) {
    const Cell spec = lexer::load_code(reinterpret_cast<const u8*>(r.spec), static_cast<u32>(std::strlen(r.spec)));
    return function::make_routine_value(*block::cell_at(spec, 0), code, none_cell);
}

}  // namespace

Cell command_line(int from) {
    const process::Arguments& a = process::state.arguments;
    const int count = a.count > from ? a.count - from : 0;
    return unicode::string_of_utf8(platform::command_line_of(count, count ? a.values + from : nullptr), Type::string);
}

Cell argument_strings(int from) {
    Cell list;
    const process::Arguments& a = process::state.arguments;
    block::make_at(&list, a.count);
    for (int i = from; i < a.count; ++i) block::append_value(list, unicode::string_of_utf8(a.values[i], Type::string));
    return list;
}

void install() {
    u32 i = 0;
    for (const Routine& r : routines) {
        if (codes[i] == 0) codes[i] = routine_code::add_code(r.code);
        Cell word = context::make_global_word(symbol::intern(r.name));
        context::set_word(word, make_routine(r, codes[i++]));
    }
}

void remove() {
    for (const Routine& r : routines) {
        if (Cell* slot = context::global_value_cell(symbol::intern(r.name))) *slot = unset_cell;
    }
}

}  // namespace zel::boot_routines
