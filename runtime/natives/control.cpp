// The natives that choose what to evaluate: if, unless, either, any, all, switch, case.
// A chosen block is evaluated with its last value going straight to the result slot. An
// exit going on as a status ends each at once.
#include "generated/refinements.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/eval/exits.h"
#include "runtime/eval/interpreter.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

// Evaluates one expression of the block from `index`; `value` receives it. Returns the
// index after it.
u32 eval_one(const Cell& block, u32 index, Cell& value) {
    Cell* const top = stack::top;
    index = interp::eval_single(block, index, true);
    value = *stack::top_cell();
    stack::top = top;
    return index;
}

u32 length_of(const Cell& block) { return series::buffer_length(block); }

// The first block at or after `index`, or null.
bool block_from(const Cell& cases, u32 index, Cell& found) {
    for (u32 i = index; i < length_of(cases); ++i) {
        const Cell c = *block::cell_at(cases, i);
        if (c.is(Type::block)) {
            found = c;
            return true;
        }
    }
    return false;
}

}  // namespace

void if_(const i32*) {
    if (logic::is_false(arg(0))) set_result(none_cell);
    else interp::eval_block(arg(1), true);
}

void unless(const i32*) {
    if (logic::is_false(arg(0))) interp::eval_block(arg(1), true);
    else set_result(none_cell);
}

void either(const i32*) { interp::eval_block(arg(logic::condition_true(arg(0)) ? 1 : 2), true); }

void any(const i32*) {
    const Cell conds = arg(0);
    Cell value;
    for (u32 i = conds.w1; i < length_of(conds);) {
        i = eval_one(conds, i, value);
        if (exits::exiting) return;
        if (!logic::is_false(value)) {
            set_result(value);
            return;
        }
    }
    set_result(none_cell);
}

void all(const i32*) {
    const Cell conds = arg(0);
    Cell value = none_cell;
    for (u32 i = conds.w1; i < length_of(conds);) {
        i = eval_one(conds, i, value);
        if (exits::exiting) return;
        if (logic::is_false(value)) {
            set_result(none_cell);
            return;
        }
    }
    set_result(value);
}

// A case matches a value of its own datatype that it equals; a block value, which could
// only meet the case bodies, matches nothing.
void switch_(const i32* refinements) {
    const Cell value = arg(0);
    const Cell cases = arg(1);
    for (u32 i = cases.w1; i < length_of(cases) && !value.is(Type::block); ++i) {
        const Cell candidate = *block::cell_at(cases, i);
        if (!candidate.is(value.type()) || !compare_values(value, candidate, compare_code::equal)) continue;
        Cell body;
        if (block_from(cases, i + 1, body)) interp::eval_block(body, true);
        else set_result(none_cell);
        return;
    }
    if (used(refinements, switch_ref::default_)) interp::eval_block(ref_arg(refinements, switch_ref::default_), true);
    else set_result(none_cell);
}

void case_(const i32* refinements) {
    const bool all_cases = used(refinements, case_ref::all);
    const Cell cases = arg(0);
    Cell result = none_cell;
    for (u32 i = cases.w1; i < length_of(cases);) {
        if (all_cases) result = none_cell;
        Cell condition;
        i = eval_one(cases, i, condition);
        if (exits::exiting) return;
        if (i >= length_of(cases)) raise(ErrorId::script_need_value, &condition);
        if (!logic::condition_true(condition)) {
            ++i;
            continue;
        }
        const Cell branch = *block::cell_at(cases, i);
        if (branch.is(Type::block)) {
            Cell* const top = stack::top;
            interp::eval_block(branch, false);
            if (exits::exiting) return;
            result = *stack::top_cell();
            stack::top = top;
            ++i;
        } else {
            i = eval_one(cases, i, result);
            if (exits::exiting) return;
        }
        if (!all_cases) break;
    }
    set_result(result);
}

}  // namespace zel::natives
