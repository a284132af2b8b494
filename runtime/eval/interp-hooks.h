// The evaluator's entry points that value code calls back into: running a block (an
// object's spec, an error's set-word spec) and calling a function value (change hooks,
// port actors). The evaluator installs them at start-up; until then a call raises
// internal/not-done, so nothing runs half-way.
#pragma once
#include "runtime/memory/cell.h"

namespace zel::interp {

// The tracer's event class of a call made from value code.
namespace trace_class {
constexpr u32 on_change = 8;
constexpr u32 on_deep_change = 16;
constexpr u32 port_actor = 32;
}  // namespace trace_class

// Evaluates the block from its position; the value of its last expression goes to
// `result` (unset! for an empty block).
extern void (*eval_block_hook)(const Cell& block, Cell& result);
// Calls a function! or routine! in a frame named by the word `name`, with `count`
// positional arguments matching its spec; the evaluator sets up its locals. The
// function's value goes to `result`.
extern void (*call_function_hook)(const Cell& name, const Cell& function, const Cell* args, u32 count,
                                  u32 trace_class, Cell& result);

void eval_block(const Cell& block, Cell& result);
Cell call_function(const Cell& name, const Cell& function, const Cell* args, u32 count, u32 trace_class);

}  // namespace zel::interp

namespace zel {
class Output;
}

namespace zel::interp {

// Forms the words of the calls open from the bottom frame up to frame `end` into the
// output, `depth` levels at most; answers the remaining limit. Installed by the
// evaluator; until then an error's call trace is not written.
extern i32 (*form_call_trace_hook)(u32 depth, u32 end, Output& out, i32 limit);

}  // namespace zel::interp
