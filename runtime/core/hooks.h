// Every upward call of the runtime: a lower layer calls up through one of these pointers,
// and the layer that owns the work installs it at start-up. A hook that is not installed yet
// either raises internal/not-done (through the wrappers) or is skipped where the comment
// says so, so nothing runs half-way. This header is the whole list: the include graph runs
// only downwards.
#pragma once
#include "runtime/core/cell.h"
#include "runtime/core/error-ids.h"

namespace zel {
class Output;
}

namespace zel::hooks {

// Installed by the evaluator.

// Evaluates the block from its position; the value of its last expression goes to
// `result` (unset! for an empty block).
extern void (*eval_block)(const Cell& block, Cell& result);
// Calls a function! or routine! in a frame named by the word `name`, with `count`
// positional arguments matching its spec; the evaluator sets up its locals. The
// function's value goes to `result`.
extern void (*call_function)(const Cell& name, const Cell& function, const Cell* args, u32 count,
                             u32 trace_class, Cell& result);
// Forms the words of the calls open from the bottom frame up to frame `end` into the
// output, `depth` levels at most; answers the remaining limit. Skipped while not installed:
// an error's call trace is then not written.
extern i32 (*form_call_trace)(u32 depth, u32 end, Output& out, i32 limit);
// Appends the same calls to the block, as words bound to the global context. Skipped
// while not installed.
extern void (*collect_call_words)(u32 depth, u32 end, const Cell& block);
// The value slots of a running function's context: the evaluation-stack cell at `position`.
extern Cell* (*stack_values)(u32 position);
// The word of the innermost open call and the word of its parameter `index`; `open` tells
// whether any call is open at all.
extern bool (*call_open)();
extern Cell (*current_call_word)();
extern Cell (*current_param_word)(u32 index);
// An error! is about to be thrown: fills its where, near and stack fields and keeps it
// where the collector sees it while it is in flight. Skipped while not installed.
extern void (*error_raised)(const Cell& error);

// Installed by the datatypes.

// Builds the error! of a catalogue entry with its arguments (any of them null).
extern Cell (*make_error)(ErrorId id, const Cell* arg1, const Cell* arg2, const Cell* arg3);
// Tells an object that one of its fields changed (its on-change* handler runs). Skipped
// while not installed.
extern void (*object_changed)(const Cell& owner, const Cell& word, const Cell& old_value, const Cell& new_value);
// Compares two values under a comparison code through the first one's type.
extern bool (*compare_values)(const Cell& value1, const Cell& value2, i32 code);
// The currency codes a script has appended to the currency list, past the shipped ones:
// the 1-based index of a three-letter code (any case), 0 when it is not there; the code
// of such an index, upper case and NUL-ended, false when there is none. Skipped while not
// installed.
extern u32 (*added_currency_index)(const char* code);
extern bool (*added_currency_code)(u32 index, char* code);

// Installed by the natives while the library loads, and removed after it: makes a
// routine! of `make routine! [spec code]`, the code named by a word of the routine table.
extern Cell (*make_routine)(const Cell& spec_and_code);

// Installed by the names.

// The symbol id every case variant of `symbol` shares.
extern u32 (*canonical_symbol)(u32 symbol);

// The tracer's event class of a call made from value code.
namespace trace_class {
constexpr u32 lexer = 1;
constexpr u32 parse = 2;
constexpr u32 sort = 4;
constexpr u32 on_change = 8;
constexpr u32 on_deep_change = 16;
constexpr u32 port_actor = 32;
}  // namespace trace_class

// The evaluator's hooks for value code, raising internal/not-done before it is installed.
void run(const Cell& block, Cell& result);
Cell call(const Cell& name, const Cell& function, const Cell* args, u32 count, u32 trace_class);

}  // namespace zel::hooks
