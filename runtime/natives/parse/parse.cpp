// The native `parse`: reads the refinements, works out the limit of /part, and runs the
// engine over the input held on the evaluation stack.
#include <algorithm>

#include "generated/refinements.h"
#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/series.h"
#include "runtime/names/runtime-words.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"
#include "runtime/natives/parse/parse-engine.h"
#include "runtime/natives/parse/parse-input.h"

namespace zel::natives {
namespace {

// The absolute index /part stops at: the position plus a count, or the position of the
// same series that the value holds.
i64 part_limit(const Cell& input, const Cell& length) {
    if (length.is(Type::integer)) return i64{input.w1} + as_integer(length).value;
    if (length.is(Type::float_)) return i64{input.w1} + static_cast<i64>(float_payload(length));
    if (length.type() == input.type() && as_series(length).node == as_series(input).node)
        return as_series(length).index;
    raise(ErrorId::script_invalid_refine_arg, words::part, &length);
}

}  // namespace

void parse(const i32* refinements) {
    Cell input = arg(0);
    const Cell rules = arg(1);
    input.w1 = std::min(input.w1, parse::tail_of(input));
    u32 limit = parse::no_limit;
    if (used(refinements, parse_ref::part)) {
        const i64 at = part_limit(input, ref_arg(refinements, parse_ref::part));
        if (at <= input.w1) {
            set_result(logic::cell(input.w1 >= parse::tail_of(input)));
            return;
        }
        limit = static_cast<u32>(std::min<i64>(at, parse::tail_of(input)));
    }
    Cell* const position = stack::push(input);
    Cell* const result = stack::push(unset_cell);
    const Cell* callback = used(refinements, parse_ref::trace) ? &ref_arg(refinements, parse_ref::trace) : nullptr;
    const bool matched = parse::run_rules(position, rules, limit, used(refinements, parse_ref::case_), result, callback);
    set_result(result->is(Type::block) ? *result : logic::cell(matched));
}

}  // namespace zel::natives
