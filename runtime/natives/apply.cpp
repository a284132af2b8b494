// The native apply: calls a function with its arguments taken from a block, the
// refinements named in the block (each followed by an expression that says whether it
// is used), or with /all every parameter of the parameter block in order, refinements as truth
// values. /safer takes each argument as one value and skips an unused refinement's
// arguments without evaluating them.
#include "generated/refinements.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/native.h"
#include "runtime/datatypes/word.h"
#include "runtime/eval/interpreter.h"
#include "runtime/eval/stack.h"
#include "runtime/memory/node.h"
#include "runtime/names/context.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

bool callable(const Cell& value) {
    return value.is(Type::function) || value.is(Type::action) || value.is(Type::native) ||
           value.is(Type::routine) || value.is(Type::op);
}

}  // namespace

void apply(const i32* refinements) {
    const Cell target = arg(0);
    const Cell args = arg(1);
    Cell name = word::make_global("apply");
    Cell fn = target;
    interp::PathCall path{};
    const interp::PathCall* by_path = nullptr;
    if (word::any_word_type(target.type())) {
        name = target;
        fn = *context::get_word(target);
    } else if (target.is(Type::path)) {
        if (block::length(target) <= 0) raise(ErrorId::script_invalid_arg, &target);
        const Cell first = *block::cell_at(target, target.w1);
        if (word::any_word_type(first.type())) {
            name = first;
            fn = *context::get_word(first);
        } else {
            fn = first;
        }
        path = {target, target.w1};
        by_path = &path;
    }
    if (!callable(fn)) raise(ErrorId::script_invalid_arg, &fn);
    // An operator is called as the function behind it.
    if (fn.is(Type::op)) fn = native::unwrapped(fn);

    u32 modes = used(refinements, apply_ref::all) ? interp::mode::apply : interp::mode::refinements;
    if (used(refinements, apply_ref::safer)) modes |= interp::mode::single;
    const interp::Code code{args.w2};
    interp::call_value(fn, code, args.w1, name, by_path, modes);
    set_result(*stack::top_cell());
    stack::drop(1);
}

}  // namespace zel::natives
