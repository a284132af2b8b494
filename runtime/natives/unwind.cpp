// The natives of non-local exits: break, continue, return and exit start one; throw
// starts one towards a catch; catch takes throws and try takes errors.
#include "generated/refinements.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/error.h"
#include "runtime/datatypes/series.h"
#include "runtime/eval/exits.h"
#include "runtime/eval/interpreter.h"
#include "runtime/eval/trace.h"
#include "runtime/names/runtime-words.h"
#include "runtime/names/symbol.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

bool is_word(Type t) { return t >= Type::word && t <= Type::get_word; }

// Whether a throw's name matches a catch's /name: a word, or one of a block's words.
bool name_matches(const ExitThrow& t, const Cell& names) {
    if (!is_word(t.name_value.type())) return false;
    const u32 thrown = symbol::canonical_id(t.name_value.w2);
    if (!names.is(Type::block)) return symbol::canonical_id(names.w2) == thrown;
    bool found = false;
    for (u32 i = names.w1; i < series::buffer_length(names); ++i) {
        const Cell w = *block::cell_at(names, i);
        if (!is_word(w.type())) {
            const Cell name = *words::name;
            raise(ErrorId::script_invalid_refine_arg, &name, &w);
        }
        found |= symbol::canonical_id(w.w2) == thrown;
    }
    return found;
}

// A throw that reached a catch: its value is the catch's, unless the catch has names and
// the throw's is not among them.
void caught(const ExitThrow& t, const exits::Mark& mark, const Cell* names) {
    const ExitThrow thrown = t;
    exits::restore(mark);
    if (names && !name_matches(thrown, *names)) {
        // Passed on to the next catch down, as if thrown from here.
        arg(0) = thrown.value;
        arg(1) = thrown.name_value;
        stack::top = stack::base + 2;
        frame::throw_to_catch(ThrowCode::throw_);
        return;
    }
    set_result(thrown.value);
    trace::emit_here(trace::event::catch_, &thrown.value);
}

}  // namespace

void break_(const i32* refinements) { frame::throw_break(used(refinements, break_ref::return_), false); }
void continue_(const i32*) { frame::throw_break(false, true); }
void exit(const i32*) { frame::throw_return(false, false); }
void return_(const i32*) { frame::throw_return(true, false); }
void throw_(const i32*) {
    trace::emit_here(trace::event::throw_, &arg(0));
    frame::throw_to_catch(ThrowCode::throw_);
}

void catch_(const i32* refinements) {
    const Cell block = arg(0);
    const Cell* names = used(refinements, catch_ref::name) ? &ref_arg(refinements, catch_ref::name) : nullptr;
    const exits::Mark mark = exits::mark();
    frame::open_catch(frame::current_call_word());
    const u32 index = frame::depth() - 1;
    try {
        interp::eval_block(block, false);
    } catch (const ExitThrow& t) {
        if (t.code != ThrowCode::throw_ || t.target != index) throw;
        caught(t, mark, names);
        return;
    }
    if (exits::take(index, ThrowCode::throw_, ThrowCode::throw_)) {
        caught(exits::status, mark, names);
        return;
    }
    if (exits::exiting) return;
    const Cell value = *stack::top_cell();
    exits::restore(mark);
    set_result(value);
}

void try_(const i32* refinements) {
    const Cell block = arg(0);
    const exits::Mark mark = exits::mark();
    const Cell word = frame::current_call_word();
    if (used(refinements, try_ref::all)) frame::open_try_all(word);
    else frame::open_try(word);
    try {
        interp::eval_block(block, false);
    } catch (const ErrorThrow& e) {
        // The frames the error left are still there until the restore pops them.
        if (used(refinements, try_ref::keep)) error::fill_stack_trace(e.value);
        exits::restore(mark);
        set_result(e.value);
        return;
    }
    if (exits::exiting) return;
    const Cell value = *stack::top_cell();
    exits::restore(mark);
    set_result(value);
}

}  // namespace zel::natives
