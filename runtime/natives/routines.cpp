// The routine table's code: small entries into runtime state that the natives do not
// name (quiet stores, the current directory, the evaluation and frame stacks, standard
// output), and the type and typeset predicates. The library makes each routine! with
// `make routine! [spec code]`, a constructor open only while it loads.
#include "runtime/natives/routines.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "generated/refinements.h"
#include "platform/posix/directory.h"
#include "platform/posix/files.h"
#include "platform/posix/system-info.h"
#include "platform/posix/write-all.h"
#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/tuple.h"
#include "runtime/datatypes/typeset.h"
#include "runtime/eval/frame.h"
#include "runtime/eval/routine-code.h"
#include "runtime/eval/stack.h"
#include "runtime/eval/trace.h"
#include "runtime/io/print-hooks.h"
#include "runtime/memory/heap.h"
#include "runtime/memory/node.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "runtime/names/word-table.h"
#include "runtime/natives/codec-routines.h"
#include "runtime/natives/console-routines.h"
#include "runtime/natives/natives.h"
#include "runtime/text/string-units.h"
#include "runtime/text/string-utf8.h"
#include "runtime/text/utf8.h"

namespace zel::routines {
namespace {

using Args = const Cell*;


// A file! or string! as the UTF-8 path the system takes.
std::string path_of(const Cell& file) {
    Cell name = file;
    i32 count = -1;
    return std::string(reinterpret_cast<const char*>(unicode::to_utf8(name, count)));
}

// script/expect-arg naming the running routine, the datatype given and its first parameter.
[[noreturn]] void refuse_first(const Cell& given) {
    const Cell name = frame::current_call_word();
    const Cell type = datatype::of(given.type());
    const Cell param = frame::current_param_word(0);
    raise(ErrorId::script_expect_arg, &name, &type, &param);
}

// Runs the shift native on the routine's own arguments, which sit where it reads them.
void shifted(i32 refinement, Cell& result) {
    std::array<i32, natives::shift_ref::count> refinements;
    refinements.fill(-1);
    if (refinement >= 0) refinements[static_cast<std::size_t>(refinement)] = 0;
    const Cell data = stack::base[0];
    natives::shift(refinements.data());
    result = stack::base[0];
    stack::base[0] = data;
}

i32 non_negative(const Cell& value) {
    const i32 n = integer::get(value);
    if (n < 0) raise(ErrorId::script_invalid_arg, &value);
    return n;
}

void quit_return(const Cell&, Args args, Cell&) {
    const int status = integer::get(args[0]);
    std::fflush(nullptr);
    heap::free_all();
    std::_Exit(status);
}

void set_quiet(const Cell&, Args args, Cell& result) {
    Cell word = args[0];
    switch (word.type()) {
    case Type::word:
    case Type::set_word:
    case Type::get_word:
    case Type::lit_word: break;
    default: refuse_first(word);
    }
    const Cell value = args[1];
    context::set_in(word, value, word.w1, false);
    result = value;
}

void set_slot_quiet(const Cell&, Args args, Cell&) {
    const Cell series = args[0];
    switch (series.type()) {
    case Type::block:
    case Type::paren:
    case Type::path:
    case Type::lit_path:
    case Type::set_path:
    case Type::get_path: break;
    default: refuse_first(series);
    }
    if (series::at_tail(series)) return;
    *block::cell_at(series, series.w1) = args[1];
}

void shift_right(const Cell&, Args, Cell& result) { shifted(-1, result); }
void shift_left(const Cell&, Args, Cell& result) { shifted(natives::shift_ref::left, result); }
void shift_logical(const Cell&, Args, Cell& result) { shifted(natives::shift_ref::logical, result); }

void last_lf_q(const Cell&, Args, Cell& result) { result = logic::cell(stdio::last_line_ended()); }

void get_current_dir(const Cell&, Args, Cell& result) { result = unicode::string_of_utf8(platform::current_dir(), Type::string); }

void set_current_dir(const Cell&, Args args, Cell&) {
    if (!platform::set_cwd(path_of(args[0]).c_str())) raise(ErrorId::access_cannot_open, &args[0]);
}

void create_dir(const Cell&, Args args, Cell&) {
    if (!platform::make_dir(path_of(args[0]).c_str())) raise(ErrorId::access_no_create, &args[0]);
}

void exists_q(const Cell&, Args args, Cell& result) {
    result = logic::cell(platform::path_exists(path_of(args[0]).c_str()));
}

// The architecture word of a machine name that uname gives.
const char* arch_of(const std::string& machine) {
    if (machine == "x86_64" || machine == "amd64") return "x86-64";
    if (machine == "i386" || machine == "i486" || machine == "i586" || machine == "i686") return "x86-32";
    if (machine == "aarch64" || machine == "arm64") return "ARM64";
    if (machine.rfind("arm", 0) == 0) return "ARM";
    if (machine == "ia64") return "IA-64";
    return "Unknown";
}

// From a release such as "6.1.0-18-amd64": its first three numbers, then the number that
// follows them (the distribution's build of that release), each 0 when missing.
std::array<u32, 4> release_numbers(const std::string& release) {
    std::array<u32, 4> numbers{};
    std::size_t i = 0;
    for (u32& n : numbers) {
        while (i < release.size() && !(release[i] >= '0' && release[i] <= '9')) ++i;
        if (i == release.size()) break;
        u64 value = 0;
        for (; i < release.size() && release[i] >= '0' && release[i] <= '9'; ++i)
            value = std::min<u64>(value * 10 + static_cast<u64>(release[i] - '0'), 0x7FFFFFFF);
        n = static_cast<u32>(value);
    }
    return numbers;
}

void os_info(const Cell&, Args, Cell& result) {
    const platform::SystemInfo info = platform::system_info();
    const std::array<u32, 4> numbers = release_numbers(info.release);
    const u8 version[3] = {static_cast<u8>(std::min<u32>(numbers[0], 255)),
                           static_cast<u8>(std::min<u32>(numbers[1], 255)),
                           static_cast<u8>(std::min<u32>(numbers[2], 255))};
    Cell* spec = stack::push_slot();
    block::make_at(spec, 8);
    const auto field = [&](const char* name, const Cell& value) {
        block::append_value(*spec, word_cell(Type::set_word, 0, symbol::intern_cstring(name), context::no_index));
        block::append_value(*spec, value);
    };
    field("name", unicode::string_of_utf8(info.name, Type::string));
    field("arch", word_cell(Type::word, 0, symbol::intern_cstring(arch_of(info.machine)), context::no_index));
    field("version", tuple::cell(version, 3));
    field("build", integer::cell(static_cast<i32>(numbers[3])));
    result = object::construct(*spec, nullptr, true);
    stack::drop(1);
}

void as_color(const Cell&, Args args, Cell& result) {
    u8 rgb[3];
    for (u32 i = 0; i < 3; ++i) rgb[i] = static_cast<u8>(non_negative(args[i]) & 0xFF);
    result = tuple::cell(rgb, 3);
}

// The four components as one 32-bit word, a first, each shifted a byte further: a
// component above 255 spills into those after it.
void as_ipv4(const Cell&, Args args, Cell& result) {
    u32 word = 0;
    for (u32 i = 0; i < 4; ++i) word |= static_cast<u32>(non_negative(args[i])) << (8 * i);
    const u8 bytes[4] = {static_cast<u8>(word), static_cast<u8>(word >> 8), static_cast<u8>(word >> 16),
                         static_cast<u8>(word >> 24)};
    result = tuple::cell(bytes, 4);
}

void as_rgba(const Cell& routine, Args args, Cell& result) { as_ipv4(routine, args, result); }

// The characters decoded from start's position up to pos's index, both in start's buffer:
// an index past the tail stops at the tail, one before start counts nothing.
void count_chars(const Cell&, Args args, Cell& result) {
    const Cell start = args[0];
    const u32 size = series::buffer_length(start);
    const u32 from = std::min(start.w1, size);
    const u32 to = std::min(args[1].w1, size);
    i32 count = 0;
    const u8* bytes = node::buffer(start.w2)->head_ptr();
    for (u32 i = from; i < to; ++count) {
        std::size_t available = to - i;
        const i32 c = unicode::decode_utf8_char(bytes + i, available);
        if (c == unicode::utf8_truncated) available = to - i;
        i += static_cast<u32>(std::max<std::size_t>(available, 1));
    }
    result = integer::cell(count);
}

void stack_size_q(const Cell&, Args, Cell& result) {
    result = integer::cell(static_cast<i32>(stack::top - stack::bottom));
}

// Only a cell whose type byte names a datatype leaves the stack: a slot being built may
// hold anything.
void pick_stack(const Cell&, Args args, Cell& result) {
    const i32 index = integer::get(args[0]);
    result = none_cell;
    if (index <= 0 || index >= stack::top - stack::bottom) return;
    const Cell c = stack::bottom[index - 1];
    const u32 id = c.header & 0xFF;
    if (id >= static_cast<u32>(Type::datatype) && id <= static_cast<u32>(Type::event)) result = c;
}

// The argument base of the call that runs this routine: the base its frame saved.
void frame_index_q(const Cell&, Args, Cell& result) {
    const Cell* base = frame::empty() ? stack::base : frame::top()->saved_base;
    result = integer::cell(static_cast<i32>(stack::index_of(base)));
}

void collect_calls(const Cell&, Args args, Cell&) { frame::backtrace_block(frame::depth() - 1, args[0]); }

void tracing_q(const Cell&, Args, Cell& result) { result = trace::user_visible() ? true_cell : false_cell; }

// No display gives no clipboard: nothing to read, and writing fails.
void read_clipboard(const Cell&, Args, Cell& result) { result = none_cell; }

void write_clipboard(const Cell&, Args args, Cell& result) {
    const Cell data = args[0];
    switch (data.type()) {
    case Type::string:
    case Type::block:
    case Type::image:
    case Type::none: break;
    default: raise(ErrorId::script_invalid_arg, &data);
    }
    result = false_cell;
}

// Text as its UTF-8 bytes, a binary! as its bytes, any other value molded.
void write_stdout(const Cell&, Args args, Cell&) {
    Cell data = args[0];
    if (data.is(Type::binary)) {
        const u32 size = series::buffer_length(data);
        const u32 from = std::min(data.w1, size);
        platform::write_all(1, node::buffer(data.w2)->head_ptr() + from, size - from);
        return;
    }
    if (!series::any_string(data.type())) {
        Output out;
        mold(data, MoldFlags{}, nullptr, out);
        data = out.value();
    }
    i32 count = -1;
    const u8* bytes = unicode::to_utf8(data, count);
    platform::write_all(1, bytes, static_cast<std::size_t>(count));
}

// The four hexadecimal digits at unit `at` of a string's units as a number, or -1.
i32 hex4(const u8* head, u32 unit, u32 at) {
    i32 value = 0;
    for (u32 i = 0; i < 4; ++i) {
        const u32 c = unicode::read_unit(head + (at + i) * unit, unit);
        i32 digit;
        if (c >= '0' && c <= '9') digit = static_cast<i32>(c - '0');
        else if (c >= 'A' && c <= 'F') digit = static_cast<i32>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f') digit = static_cast<i32>(c - 'a' + 10);
        else return -1;
        value = value * 16 + digit;
    }
    return value;
}

// Resolves JSON escapes in place from the string's index: each character is read at a
// read index and written back at a write index that never passes it, so the text only
// shrinks. A character wider than the string's units widens them first; indexes count
// characters, so they hold across the change. A high surrogate escape must be followed by
// a low one (the pair is one character); a lone surrogate of either half, a bad escape or
// a cut one is refused with invalid-data, the text being left as far as it got.
void unescape(const Cell&, Args args, Cell& result) {
    const Cell str = args[0];
    Buffer* b = node::buffer(str.w2);
    u32 unit = b->unit();
    const u32 count = b->used() / unit;
    u32 read = std::min(str.w1, count);
    u32 write = read;
    const auto refuse = [&str]() { raise(ErrorId::script_invalid_data, &str); };
    while (read < count) {
        const u8* head = b->head_ptr();
        u32 c = unicode::read_unit(head + read * unit, unit);
        ++read;
        if (c == '\\') {
            if (read == count) refuse();
            const u32 e = unicode::read_unit(head + read * unit, unit);
            ++read;
            switch (e) {
            case '"':
            case '\\':
            case '/': c = e; break;
            case 'b': c = 8; break;
            case 'f': c = 12; break;
            case 'n': c = 10; break;
            case 'r': c = 13; break;
            case 't': c = 9; break;
            case 'u': {
                const i32 v = count - read >= 4 ? hex4(head, unit, read) : -1;
                if (v < 0) refuse();
                read += 4;
                c = static_cast<u32>(v);
                if (c >= 0xDC00 && c <= 0xDFFF) refuse();
                if (c >= 0xD800 && c <= 0xDBFF) {
                    if (count - read < 6 || unicode::read_unit(head + read * unit, unit) != '\\' ||
                        unicode::read_unit(head + (read + 1) * unit, unit) != 'u')
                        refuse();
                    const i32 low = hex4(head, unit, read + 2);
                    if (low < 0xDC00 || low > 0xDFFF) refuse();
                    read += 6;
                    c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<u32>(low) - 0xDC00);
                }
                break;
            }
            default: refuse();
            }
        }
        if (unicode::unit_for(c) > unit) {
            unit = unicode::unit_for(c);
            b = unicode::widen(b, unit, 0);
        }
        unicode::write_unit(b->head_ptr() + write * unit, unit, c);
        ++write;
    }
    b->tail = b->head + write * unit;
    result = str;
}

// A single-type predicate keeps its datatype! in its record.
void type_test(const Cell& routine, Args args, Cell& result) {
    const Cell type = *function::record_cell(routine, function::record::second);
    result = logic::cell((args[0].header & 0xFF) == type.w1);
}

// A typeset predicate keeps its typeset's global word, read at every call, so that a
// redefined typeset counts from then on; a word holding anything else is refused.
void typeset_test(const Cell& routine, Args args, Cell& result) {
    const Cell word = *function::record_cell(routine, function::record::second);
    const Cell* set = context::get_word(word);
    if (!set || !set->is(Type::typeset)) {
        const Cell value = set ? *set : unset_cell;
        raise(ErrorId::script_invalid_arg, &value);
    }
    result = logic::cell(typeset::has(*set, args[0].header & 0xFF));
}

struct Entry {
    const char* name;
    routine_code::Code code;
};

constexpr Entry entries[] = {
#define ZEL_ROUTINE(cpp_name, text) {text, cpp_name},
#include "runtime/natives/routines.def"
#undef ZEL_ROUTINE
};

// Index in the routine-code table of the first entry; the table outlives runtime restarts.
u32 first_index = 0;

// `make routine! [spec code]` or `[spec code second]`: the code word names an entry of the
// table; the optional third value (a datatype or a typeset word) goes into the record.
Cell make_routine(const Cell& arg) {
    const Cell routine_type = datatype::of(Type::routine);
    const i32 n = arg.is(Type::block) ? block::length(arg) : 0;
    if (n != 2 && n != 3) raise(ErrorId::script_bad_make_arg, &routine_type, &arg);
    const Cell spec = *block::cell_at(arg, arg.w1);
    const Cell code = *block::cell_at(arg, arg.w1 + 1);
    const Cell second = n == 3 ? *block::cell_at(arg, arg.w1 + 2) : none_cell;
    if (!spec.is(Type::block) || !code.is(Type::word)) raise(ErrorId::script_bad_make_arg, &routine_type, &arg);
    function::validate_spec(spec);
    // The code word names an entry in any case of its letters, as symbols match; the
    // names are compared as text, not interned one by one at every routine made.
    const std::string_view wanted = symbol::name(code.w2);
    for (u32 i = 0; i < std::size(entries); ++i) {
        const std::string_view name = entries[i].name;
        if (name.size() == wanted.size() &&
            word_table::name_equal(reinterpret_cast<const u8*>(name.data()),
                                   reinterpret_cast<const u8*>(wanted.data()), static_cast<u32>(name.size()), false))
            return function::make_routine_value(spec, first_index + i, second);
    }
    raise(ErrorId::script_bad_make_arg, &routine_type, &arg);
}

}  // namespace

void open_constructor() {
    if (first_index == 0) {
        first_index = routine_code::add_code(entries[0].code);
        for (u32 i = 1; i < std::size(entries); ++i) routine_code::add_code(entries[i].code);
    }
    hooks::make_routine = make_routine;
}

void close_constructor() { hooks::make_routine = nullptr; }

}  // namespace zel::routines
