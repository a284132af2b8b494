// The natives that test and build values: not, type?, construct and extend; and the
// new-line markers of list values, which tell mold where to break lines.
#include "generated/refinements.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/map.h"
#include "runtime/datatypes/object.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/word.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

void mark_new_line(Cell& c, bool on) {
    if (on) c.header |= cellflag::new_line;
    else cell::clear_new_line(&c);
}

}  // namespace

void not_(const i32*) { set_result(logic::cell(logic::is_false(arg(0)))); }

void type_q(const i32* refinements) {
    const Type t = arg(0).type();
    set_result(used(refinements, type_q_ref::word) ? word::make_global(type_info(t).name) : datatype::of(t));
}

void construct(const i32* refinements) {
    const Cell* prototype = used(refinements, construct_ref::with) ? &ref_arg(refinements, construct_ref::with) : nullptr;
    set_result(object::construct(arg(0), prototype, used(refinements, construct_ref::only)));
}

void extend(const i32* refinements) {
    const Cell target = arg(0);
    if (target.is(Type::object)) raise(ErrorId::internal_not_done);
    map::extend(target, arg(1), used(refinements, extend_ref::case_));
    set_result(target);
}

// With /all or /skip every value from the position on is visited: each size-th one (every
// one with /all alone) takes the marker as `value` says, the others the opposite.
void new_line(const i32* refinements) {
    const Cell position = arg(0);
    const bool on = logic::get(arg(1));
    i64 size = used(refinements, new_line_ref::all) ? 1 : 0;
    if (used(refinements, new_line_ref::skip)) {
        const Cell& skip = ref_arg(refinements, new_line_ref::skip);
        size = integer::get(skip);
        if (size < 1) raise(ErrorId::script_out_of_range, &skip);
    }
    const u32 tail = series::buffer_length(position);
    if (size == 0) {
        if (position.w1 < tail) mark_new_line(*block::cell_at(position, position.w1), on);
    } else {
        for (u32 i = position.w1; i < tail; ++i) {
            const bool periodic = (i - position.w1) % size == 0;
            mark_new_line(*block::cell_at(position, i), periodic == on);
        }
    }
    set_result(position);
}

void new_line_q(const i32*) {
    const Cell position = arg(0);
    const bool marked = position.w1 < series::buffer_length(position) &&
                        (block::cell_at(position, position.w1)->header & cellflag::new_line) != 0;
    set_result(logic::cell(marked));
}

}  // namespace zel::natives
