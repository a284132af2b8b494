// The `parse` engine: a state machine over one work stack instead of machine recursion.
// The stack is a block! in the root block, entries of five cells: open rule blocks and
// pending rules (repetitions, to/thru, copy, collect...), each holding the input position
// and rule position it started at. Positions are indices, read again after every paren or
// change of the input, so a rule that modifies or replaces the input is safe. A nested run
// (from a paren) works above the entries of the runs below it; every exit from a run,
// errors included, puts the stack back where the run found it. While no /trace callback
// watches, a rule block and the repetitions of one are read without entries as far as
// their rules allow (literals, lit-words and datatypes, parens, `skip`, a repetition or
// search of one literal value and a copy over one, nested blocks of these); at the first
// rule that needs the general way, the entries it would hold there are pushed and it
// reads on from that rule, to the same results.
#pragma once
#include "runtime/core/cell.h"

namespace zel::parse {

// No limit on the input: the end is its tail.
constexpr u32 no_limit = 0xFFFFFFFF;

// Makes the work stack; runs once at start-up.
void init_stacks();

// Matches the input (its cell on the evaluation stack, which the run moves through the
// input) against the rules, the end being the tail or `limit`; `result` (on the
// evaluation stack too) receives the block of a top-level collect; `callback` (null or a
// cell on the evaluation stack) is the /trace function. Answers the match.
bool run_rules(Cell* input, const Cell& rules, u32 limit, bool strict, Cell* result, const Cell* callback);

}  // namespace zel::parse
