#include "runtime/eval/exits.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix/error-box.h"
#include "runtime/core/hooks.h"
#include "runtime/datatypes/error.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/standard.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/eval/interpreter.h"
#include "runtime/eval/trace.h"
#include "runtime/memory/heap.h"
#include "runtime/memory/roots.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"

namespace zel::exits {

namespace {

// An error on its way out, told to the tracer. The error stays in the pending cell while
// the callback runs (which may raise and catch errors of its own).
void raised(const Cell& err) {
    if (!trace::active) return;
    const Cell kept = err;
    trace::pass_here(trace::event::error, &kept, nullptr);
    *pending = kept;
}

}  // namespace

Cell* pending = nullptr;
Cell* pending_name = nullptr;
Cell* uncaught = nullptr;
Cell* script_header = nullptr;
bool exiting = false;
ExitThrow status;
u32 opaque_depth = 0;

void init() {
    pending = series_buffer::append_cell(roots::block());
    pending_name = series_buffer::append_cell(roots::block());
    uncaught = series_buffer::append_cell(roots::block());
    script_header = series_buffer::append_cell(roots::block());
    *pending = none_cell;
    *pending_name = none_cell;
    *uncaught = none_cell;
    *script_header = none_cell;
    exiting = false;
    opaque_depth = 0;
    hooks::error_raised = [](const Cell& err) {
        exits::annotate(err);
        *pending = err;
        raised(err);
    };
}

}  // namespace zel::exits

namespace zel::frame {
namespace {

constexpr u32 none_found = 0xFFFFFFFF;

// The index of the nearest frame below `from` that `wanted` accepts, or none_found when
// a try/all frame comes first or the bottom is reached.
template <class Wanted>
u32 find_target(u32 from, Wanted&& wanted) {
    for (u32 i = from; i-- > 0;) {
        const Record& r = records[i];
        if (r.kind() == kind::try_all) return none_found;
        if (wanted(r)) return i;
    }
    return none_found;
}

// Thrown when code that does not test the status lies between the exit and its target.
void exit_to(ThrowCode code, u32 target, const Cell& value, const Cell& name = none_cell) {
    *exits::pending = value;
    ExitThrow t;
    t.code = code;
    t.value = value;
    t.target = target;
    t.name_value = name;
    t.name = name.type() >= Type::word && name.type() <= Type::refinement ? name.w2 : 0;
    if (target < exits::opaque_depth) throw t;
    *exits::pending_name = name;
    exits::status = t;
    exits::exiting = true;
}

u32 below_own_frame() { return depth() > 0 ? depth() - 1 : 0; }

}  // namespace

void throw_break(bool has_value, bool continue_) {
    const u32 target = find_target(below_own_frame(), [](const Record& r) { return r.kind() == kind::loop; });
    if (target == none_found) raise(continue_ ? ErrorId::throw_continue : ErrorId::throw_break);
    const Cell value = has_value && !continue_ ? *stack::base : unset_cell;
    exit_to(continue_ ? ThrowCode::continue_ : ThrowCode::break_, target, value);
}

void throw_return(bool has_value, bool skip_top) {
    const u32 from = skip_top ? depth() : below_own_frame();
    const u32 target = find_target(from, [](const Record& r) { return (r.header & body_flag) != 0; });
    if (target == none_found) raise(ErrorId::throw_return);
    exit_to(has_value ? ThrowCode::return_ : ThrowCode::exit, target, has_value ? *stack::base : unset_cell);
}

void throw_to_catch(ThrowCode code) {
    const Cell value = *stack::base;
    const Cell name = stack::top > stack::base + 1 ? stack::base[1] : none_cell;
    if (!saved_throw_depth) saved_throw_depth = below_own_frame();
    const u32 target = find_target(below_own_frame(), [](const Record& r) { return r.kind() == kind::catch_; });
    if (target == none_found) raise(ErrorId::throw_throw, &value);
    exit_to(code, target, value, name);
}

}  // namespace zel::frame

namespace zel::exits {
namespace {

constexpr u32 id_count = 0
#define ZEL_ERROR_CATEGORY(name, text, code, title)
#define ZEL_ERROR(category, name, text, templ) +1
#include "runtime/core/error-catalog.def"
#undef ZEL_ERROR
#undef ZEL_ERROR_CATEGORY
    ;

// The catalogue entry of an error's code (user/message for a code the table lacks).
ErrorId id_of(const Cell& err) {
    const Cell code = *error::field(err, standard::Field::error_code);
    if (code.is(Type::integer)) {
        const u32 c = code.w2 / 100;
        const u32 position = code.w2 % 100 + 2;
        for (u32 i = 0; i < id_count; ++i) {
            const ErrorInfo& info = error_info(static_cast<ErrorId>(i));
            if (static_cast<u32>(info.category) == c && info.position == position) return static_cast<ErrorId>(i);
        }
    }
    return ErrorId::user_message;
}

// The program's name: the title in the header of the script that is the program, kept here
// by the stage-0 runner and in `system/script/header` by the console's launch.
std::string title() {
    Cell header = *exits::script_header;
    if (!header.is(Type::object)) {
        const Cell* program = standard::system_value({standard::Field::system_script, standard::Field::script_header});
        if (program) header = *program;
    }
    if (header.is(Type::object)) {
        const Cell name{header_of(Type::word), 0, symbol::intern_cstring("Title"), context::no_index};
        const Cell value = *object::select_field(header, name);
        if (value.is(Type::string)) {
            Output out;
            form(value, nullptr, out);
            return out.utf8();
        }
    }
    return "Zel NoName App";
}

}  // namespace

void annotate(const Cell& err) {
    if (!err.is(Type::error) || frame::empty()) return;
    error::set_where_default(err, frame::current_call_word());
    Cell* near = error::field(err, standard::Field::error_near);
    if (near->is(Type::none) && interp::position && interp::position->is(Type::block)) *near = *interp::position;
    Cell* stack_field = error::field(err, standard::Field::error_stack);
    if (!stack_field->is(Type::block)) *stack_field = Cell{header_of(Type::integer), 0, frame::depth(), 0};
}

void throw_value(const Cell& err) {
    annotate(err);
    *exits::pending = err;
    raised(err);
    ErrorThrow e;
    e.code = ThrowCode::error;
    e.value = err;
    e.id = id_of(err);
    throw e;
}

void report_uncaught(const Cell& err) {
    // Before the root cells exist no collection can run.
    if (uncaught) *uncaught = err;
    const Cell& kept = uncaught ? *uncaught : err;
    std::string text = "*** Internal Error: an error could not be made";
    if (kept.is(Type::error)) {
        Output out;
        form(kept, nullptr, out);
        text = out.utf8();
    }
    std::fflush(nullptr);
    platform::error_box(title().c_str(), text.c_str());
    heap::free_all();
    std::_Exit(254);
}

}  // namespace zel::exits
