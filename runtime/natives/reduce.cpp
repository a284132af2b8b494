// The natives that build blocks from evaluation: reduce (every expression) and compose
// (only parens). Results go to a new block, or with /into into `out` at its position. An
// exit going on as a status ends each at once.
#include <algorithm>

#include "generated/refinements.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/series.h"
#include "runtime/eval/exits.h"
#include "runtime/eval/interpreter.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

// Where results go: appended to a new block, or inserted into `out` at its position.
class Target {
public:
    Target(const Cell& block, bool into) : block_(block), into_(into) {}
    void add(const Cell& value) {
        if (into_) block::insert_value(block_, value, true, false);
        else block::append_value(block_, value);
    }
    // The new block at its head, or `out` after what was inserted.
    const Cell& result() const { return block_; }

private:
    Cell block_;
    bool into_;
};

Target new_block_for(const Cell& source) {
    Cell fresh;
    block::make_at(&fresh, std::max(block::length(source), 1));
    return Target(fresh, false);
}

Target target_for(const i32* refinements, u32 into_ref, const Cell& source) {
    if (used(refinements, into_ref)) return Target(ref_arg(refinements, into_ref), true);
    return new_block_for(source);
}

Cell eval_one(const Cell& block, u32& index) {
    Cell* const top = stack::top;
    index = interp::eval_single(block, index, true);
    const Cell value = *stack::top_cell();
    stack::top = top;
    return value;
}

bool is_callable(Type t) {
    return t == Type::function || t == Type::native || t == Type::action || t == Type::op || t == Type::routine;
}

// False when an exit goes on as a status.
bool compose_into(const Cell& block, bool deep, bool only, Target& target) {
    for (u32 i = block.w1; i < series::buffer_length(block); ++i) {
        const Cell item = *block::cell_at(block, i);
        if (item.is(Type::block) && deep) {
            Target nested = new_block_for(item);
            if (!compose_into(item, deep, only, nested)) return false;
            target.add(nested.result());
        } else if (item.is(Type::paren) && block::length(item) > 0) {
            Cell* const top = stack::top;
            interp::eval_block(item, false);
            if (exits::exiting) return false;
            const Cell value = *stack::top_cell();
            stack::top = top;
            if (value.is(Type::unset)) continue;
            if (value.is(Type::block) && !only) {
                for (u32 k = value.w1; k < series::buffer_length(value); ++k) target.add(*block::cell_at(value, k));
            } else {
                target.add(value);
            }
        } else if (!item.is(Type::paren)) {
            target.add(item);
        }
    }
    return true;
}

}  // namespace

void reduce(const i32* refinements) {
    const Cell value = arg(0);
    if (!value.is(Type::block)) {
        if (is_callable(value.type())) {
            set_result(value);
            return;
        }
        Cell code;
        block::make_at(&code, 1);
        block::append_value(code, value);
        u32 index = 0;
        const Cell result = eval_one(code, index);
        if (exits::exiting) return;
        if (!used(refinements, reduce_ref::into)) {
            set_result(result);
            return;
        }
        Target target = target_for(refinements, reduce_ref::into, code);
        target.add(result);
        set_result(target.result());
        return;
    }
    Target target = target_for(refinements, reduce_ref::into, value);
    for (u32 i = value.w1; i < series::buffer_length(value);) {
        const Cell item = eval_one(value, i);
        if (exits::exiting) return;
        target.add(item);
    }
    set_result(target.result());
}

void compose(const i32* refinements) {
    const Cell value = arg(0);
    if (!value.is(Type::block)) {
        const Cell expected = datatype::of(Type::block);
        const Cell found = datatype::of(value.type());
        raise(ErrorId::script_expect_val, &expected, &found);
    }
    Target target = target_for(refinements, compose_ref::into, value);
    if (!compose_into(value, used(refinements, compose_ref::deep), used(refinements, compose_ref::only), target)) return;
    set_result(target.result());
}

}  // namespace zel::natives
