// The native `do`: evaluates a block (all of it, or with /next one expression; with
// /expand after the preprocessor's rewrite), a path, source text, a script file or URL
// (through the library's do-file), an error (raised) or any other value (one expression).
// An exit going on as a status ends it at once; a script file runs as code that does not
// test the status. With /trace the evaluation reports its steps to a callback, unless a
// trace is running already.
#include "generated/refinements.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/series.h"
#include "runtime/eval/exits.h"
#include "runtime/eval/interpreter.h"
#include "runtime/eval/trace.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/hooks.h"
#include "runtime/datatypes/object.h"
#include "runtime/lexer/load-code.h"
#include "runtime/names/context.h"
#include "runtime/names/runtime-words.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

// A block, from its position clamped to its tail: all of it, or with `position` (a word)
// the one expression there, the word then set to the block after it.
void do_block(Cell block, const Cell* position) {
    block.w1 = std::min(block.w1, series::buffer_length(block));
    if (!position) {
        interp::eval_block(block, true);
        return;
    }
    Cell* const top = stack::top;
    const u32 after = interp::next_position(block);
    if (exits::exiting) return;
    const Cell value = *stack::top_cell();
    stack::top = top;
    Cell word = *position;
    block.w1 = after;
    context::set_word(word, block);
    set_result(value);
}

// Any other value evaluated as the one expression of a block holding it.
void do_value(const Cell& value) {
    Cell code;
    block::make_at(&code, 1);
    block::append_value(code, value);
    Cell* const top = stack::top;
    interp::eval_expression(interp::Code{code.w2}, 0);
    if (exits::exiting) return;
    const Cell result = *stack::top_cell();
    stack::top = top;
    set_result(result);
}

// A library function named by `name`, raising internal/not-done until the library holds it.
Cell library_function(const Cell& name, const Cell* holder = nullptr) {
    const Cell* fn = holder ? object::select_field(*holder, name) : context::global_value_cell(as_word(name).symbol);
    if (!fn || !fn->is(Type::function)) raise(ErrorId::internal_not_done);
    return *fn;
}

// The preprocessor rewrites the block in place, with no build configuration.
void expand(const Cell& block) {
    const Cell* preprocessor = context::global_value_cell(as_word(*words::preprocessor).symbol);
    if (!preprocessor || !preprocessor->is(Type::object)) raise(ErrorId::internal_not_done);
    const Cell args[2] = {block, none_cell};
    hooks::call(*words::tag_anon, library_function(*words::expand, preprocessor), args, 2, 0);
}

// A script file or URL runs through the library's do-file, with the /args value.
Cell do_script(const Cell& file, const Cell& script_args) {
    const Cell args[3] = {file, none_cell, script_args};
    return hooks::call(*words::tag_body, library_function(*words::do_file), args, 3, 0);
}

void evaluate(const Cell& value, const Cell* position, bool expanding, const Cell& script_args);

// The end event of a trace that an error or exit is leaving: the stacks are first put
// back as they were when `do` began, and an error the callback raises then gives way to
// the one already leaving.
void end_leaving(const exits::Mark& mark) {
    exits::restore(mark);
    try {
        trace::emit(trace::event::end, 0, 0);
    } catch (const Throw&) {
    }
}

// The evaluation with the callback installed, framed by the init and end events; the
// tracing state is put back however it ends.
void evaluate_traced(const Cell& value, const Cell* position, bool expanding, const Cell& script_args,
                     const Cell& callback) {
    const exits::Mark mark = exits::mark();
    const trace::Saved saved;
    trace::start(callback);
    struct Uninstall {
        ~Uninstall() { trace::stop(); }
    } uninstall;
    try {
        trace::emit(trace::event::init, 0, 0);
        evaluate(value, position, expanding, script_args);
    } catch (const Throw&) {
        end_leaving(mark);
        throw;
    }
    trace::emit(trace::event::end, 0, 0);
}

// The value evaluated as `do` does it: a block or source text rewritten first by the
// preprocessor when `expanding`, a script file or url run with `script_args`.
void evaluate(const Cell& value, const Cell* position, bool expanding, const Cell& script_args) {
    if (expanding && (value.is(Type::block) || value.is(Type::paren) || value.is(Type::hash))) expand(value);
    switch (value.type()) {
    case Type::block:
    case Type::paren:
    case Type::hash: do_block(value, position); return;
    case Type::string: {
        const Cell code = lexer::load_code(value);
        if (expanding) expand(code);
        do_block(code, position);
        return;
    }
    case Type::file:
    case Type::url: {
        const exits::Opaque script_run;
        set_result(do_script(value, script_args));
        return;
    }
    case Type::error: exits::throw_value(value);
    case Type::path: {
        Cell empty;
        block::make_at(&empty, 0);
        Cell* const top = stack::top;
        interp::eval_path(value, interp::Code{empty.w2}, 0, interp::PathMode::plain);
        if (exits::exiting) return;
        const Cell result = *stack::top_cell();
        stack::top = top;
        set_result(result);
        return;
    }
    default: do_value(value);
    }
}

}  // namespace

void do_(const i32* refinements) {
    const Cell value = arg(0);
    const bool expanding = used(refinements, do_ref::expand);
    const Cell* position = used(refinements, do_ref::next) ? &ref_arg(refinements, do_ref::next) : nullptr;
    const Cell script_args = used(refinements, do_ref::args) ? ref_arg(refinements, do_ref::args) : none_cell;
    if (used(refinements, do_ref::trace) && !trace::state.installed) {
        evaluate_traced(value, position, expanding, script_args, ref_arg(refinements, do_ref::trace));
        return;
    }
    evaluate(value, position, expanding, script_args);
}

// Pauses or resumes the events of the running trace (for `trace true/false`); the library
// keeps it inside `trace` and unsets the word once it has loaded.
void set_tracing(const i32*) { trace::switch_events(as_logic(arg(0)).value != 0); }

}  // namespace zel::natives
