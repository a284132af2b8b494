// The interpreter: evaluates blocks expression by expression, leaving each value on the
// evaluation stack. A position in code is a (node, index) pair, and the block's cells and
// length are read again after every nested evaluation, so code that changes the block it
// runs in, or a collection that moves it, is safe. Calls go through the callee's spec
// cache; natives and actions get their refinements as frame indexes.
#pragma once
#include "runtime/core/cell.h"

namespace zel::interp {

// The current-position cell (a root): the block being evaluated at the index of the
// expression in progress; null until init.
extern Cell* position;

// Makes the root cells and installs the evaluator's hooks.
void init();

// Whether the evaluator reuses the decisions it keeps about operators and callees; with
// ZEL_NO_CACHE=1 in the environment it decides afresh at every use, which must give the
// same results, only slower.
extern bool caches_on;
// Code being evaluated: a block's node and an exclusive limit on its indexes (the block's
// tail, read again at each step, when that is sooner).
struct Code {
    Node node;
    u32 end = 0xFFFFFFFF;
};

// How `apply` hands over arguments: from a block (apply), with refinements in the block
// as a refinement! and an expression whose truth enables it (refinements), each argument
// cut to one cell (single).
namespace mode {
constexpr u32 apply = 1;
constexpr u32 refinements = 2;
constexpr u32 single = 4;
}  // namespace mode

// A call made through a path: its refinements are the path's elements after `index`.
struct PathCall {
    Cell path;
    u32 index;
};

// Evaluates the block from its index. Its last value (unset! for an empty block) goes to
// the caller's result slot with `to_result`, else stays pushed.
void eval_block(const Cell& block, bool to_result);
// Evaluates one expression from `index`, pushes its value and returns the index after it.
// With `infix`, no operator after it is taken; with `literal_callables`, a function value
// met in the code is a value, not a call.
u32 eval_expression(const Code& code, u32 index, bool infix = false, bool literal_callables = false);
// One expression inside a frame of its own (named <body>); the value is pushed, or put in
// the result slot without `push`.
u32 eval_single(const Cell& block, u32 index, bool push);
// Evaluates the expression at the block's index; returns the index after it. At the tail
// it pushes unset! and returns the index unchanged.
u32 next_position(const Cell& block);

// Calls a callable value named by `name`: opens its frame, fetches its arguments from the
// code at `index`, calls it and closes; pushes its value (in infix mode the left operand,
// on top, is its first argument and is replaced). Returns the index after the arguments.
u32 call_value(const Cell& callable, const Code& code, u32 index, const Cell& name, const PathCall* path = nullptr,
               u32 modes = 0, bool infix = false);
// Runs a function! whose arguments and locals are in place in the top frame (frame index
// `frame_index`): a return or exit aimed at it ends it.
void call_function(const Cell& function, u32 frame_index);
// The one way C++ code calls a function! or routine!: in a frame named by the word `name`,
// with `count` positional arguments (checked against its parameters' types; missing
// ones are none!, extra ones dropped), its refinements unused and its locals set up. A
// callback of a class (a bit of system/state/callbacks/bits, 0 for none) is traced only
// when that bit is set. An exit inside it is thrown past the caller. The function's value
// goes to `result`.
void call_with(const Cell& name, const Cell& function, const Cell* args, u32 count, u32 callback_class, Cell& result);
// Runs a routine! whose arguments are in place.
void call_routine(const Cell& routine);

// Path forms.
enum class PathMode { plain, get, set };
// Evaluates the path (in set mode storing `value`), pushes the result and returns the
// index after what the path consumed (a call's arguments).
u32 eval_path(const Cell& path, const Code& code, u32 index, PathMode mode, const Cell* value = nullptr);

}  // namespace zel::interp
