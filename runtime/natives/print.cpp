// The natives print and prin: a block is reduced and formed, a string used as it is, any
// other value formed; the text goes to the print hooks. Each call reduces into a block of
// its own, so a print made while another's block is being reduced loses nothing.
#include <algorithm>

#include "runtime/datatypes/block.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/eval/interpreter.h"
#include "runtime/io/print-hooks.h"
#include "runtime/natives/frame-args.h"
#include "runtime/natives/natives.h"

namespace zel::natives {
namespace {

Cell reduced(const Cell& block) {
    Cell values;
    block::make_at(&values, std::max(block::length(block), 1));
    for (u32 i = block.w1; i < series::buffer_length(block);) {
        Cell* const top = stack::top;
        i = interp::eval_single(block, i, true);
        block::append_value(values, *stack::top_cell());
        stack::top = top;
    }
    return values;
}

void output(bool new_line) {
    Cell value = arg(0);
    if (value.is(Type::string)) {
        value.w1 = std::min(value.w1, series::buffer_length(value));
        stdio::run_print_hooks(value, new_line);
    } else {
        if (value.is(Type::block)) value = reduced(value);
        Output out;
        form(value, nullptr, out);
        stdio::run_print_hooks(out.value(), new_line);
    }
    set_result(unset_cell);
}

}  // namespace

void print(const i32*) { output(true); }
void prin(const i32*) { output(false); }

}  // namespace zel::natives
