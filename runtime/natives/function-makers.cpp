// The natives that make functions: func, function (its body's set-words and loop words
// made local), does (no spec) and has (locals only).
#include <algorithm>

#include "runtime/datatypes/block.h"
#include "runtime/datatypes/function.h"
#include "runtime/datatypes/series.h"
#include "runtime/names/runtime-words.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

void make_function(Cell spec, Cell body) {
    spec.w1 = std::min(spec.w1, series::buffer_length(spec));
    body.w1 = std::min(body.w1, series::buffer_length(body));
    const u32 flags = function::validate_spec(spec);
    set_result(function::make_value(spec, &body, 0, 0, 0, flags));
}

Cell copy_of(const Cell& block) {
    Cell copy;
    block::clone(block, false, false, &copy);
    return copy;
}

}  // namespace

void func(const i32*) { make_function(arg(0), arg(1)); }

void function(const i32*) {
    Cell spec = copy_of(arg(0));
    const Cell body = arg(1);
    function::collect_locals(spec, body);
    make_function(spec, body);
}

void does(const i32*) {
    Cell spec;
    block::make_at(&spec, 0);
    make_function(spec, arg(0));
}

void has(const i32*) {
    Cell spec = copy_of(arg(0));
    block::insert_value(spec, *refinements::local, false, true);
    make_function(spec, arg(1));
}

}  // namespace zel::natives
