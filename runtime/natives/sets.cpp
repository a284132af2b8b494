// The set natives (unique, union, intersect, exclude, difference) and complement?. One
// dispatcher hands both sets to the set operation of the first one's datatype; the two
// must be of one datatype, block! and hash! counting as one.
#include "generated/refinements.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/bitset.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/date.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string.h"
#include "runtime/datatypes/typeset.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

Type family(Type t) { return t == Type::hash ? Type::block : t; }

// The result is left in the first argument's slot. /case and /skip matter to the series
// operations only; on dates there is only difference, which gives the time between them.
template <class Refinements>
void set_native(const i32* refinements, SetOp op) {
    Cell* first = &arg(0);
    const Cell* second = op == SetOp::unique ? nullptr : &arg(1);
    if (second && family(first->type()) != family(second->type())) {
        const Cell expected = datatype::of(first->type());
        const Cell found = datatype::of(second->type());
        raise(ErrorId::script_expect_val, &expected, &found);
    }
    const bool case_ = used(refinements, Refinements::case_);
    const Cell* skip = used(refinements, Refinements::skip) ? &ref_arg(refinements, Refinements::skip) : nullptr;
    switch (first->type()) {
    case Type::block:
    case Type::hash: block::set_op(first, second, case_, op, skip); return;
    case Type::string: string::set_op(first, second, case_, op, skip); return;
    case Type::bitset: bitset::set_operation(op, first, second); return;
    case Type::typeset: typeset::set_operation(op, first, second); return;
    case Type::date:
        if (op == SetOp::difference) {
            date::difference(first, second);
            return;
        }
        break;
    default: break;
    }
    raise_expect_arg(*first, 0);
}

}  // namespace

void unique(const i32* refinements) { set_native<unique_ref>(refinements, SetOp::unique); }
void union_(const i32* refinements) { set_native<union_ref>(refinements, SetOp::union_); }
void intersect(const i32* refinements) { set_native<intersect_ref>(refinements, SetOp::intersect); }
void exclude(const i32* refinements) { set_native<exclude_ref>(refinements, SetOp::exclude); }
void difference(const i32* refinements) { set_native<difference_ref>(refinements, SetOp::difference); }

void complement_q(const i32*) {
    set_result(bitset::complemented(arg(0)) ? true_cell : false_cell);
}

}  // namespace zel::natives
