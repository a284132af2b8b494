// function! and routine!: a spec block, a function context (kind 1, values on the
// evaluation stack; its owner slot holds the function) and a 5-cell record [body or none,
// spec cache, compiled-code index, wrapping op!, second value]. Every record cell is
// written at creation; a spec is checked whole before anything is made.
#pragma once
#include "runtime/datatypes/action-signatures.h"

namespace zel::function {

// Header bits of a function!: the trace and no-trace attributes of its spec, and the
// library flag of the functions made while the library loads (tracing shows calls of
// them but not their insides, and errors inside them report the caller's position).
namespace flag {
constexpr u32 trace = 0x400;
constexpr u32 no_trace = 0x200;
constexpr u32 library = 0x800;
}  // namespace flag

// Set while the library loads: every function made then carries the library flag.
extern bool making_library;

// Cells of the function record.
namespace record {
constexpr u32 body = 0;
constexpr u32 spec_cache = 1;
constexpr u32 code = 2;
constexpr u32 op_function = 3;
constexpr u32 second = 4;
constexpr u32 size = 5;
}  // namespace record

// A new function! over a spec block (taken from its position) with a deep copy of the
// body (null: none!), in `ctx` or a new context made from that spec block (then the body
// copy is bound to it), its code index and second value stored when non-zero. While the
// library loads, a body literal that the boot image marks is taken as it is, not copied.
Cell make_value(const Cell& spec, const Cell* body, Node ctx, u32 code, u32 second, u32 flags);
// Marks a library function's body, and every block and paren in it, as library code. A
// body literal nested in it is no longer taken in place: this body may run many times.
void mark_library_code(const Cell& block);
// A routine! over a spec block with no body, running the routine table's code `code`;
// `second` is kept in its record for the code to read.
Cell make_routine_value(const Cell& spec, u32 code, const Cell& second);
// A cell of the record of a function!, routine! or op! over one; valid until an allocation.
Cell* record_cell(const Cell& fn, u32 index);
// A function's spec block as a block! value at its head.
Cell spec_of(const Cell& fn);

// The attribute flags of a valid spec; raises script/bad-func-def, script/invalid-type-spec
// or script/dup-vars.
u32 validate_spec(const Cell& spec);
// From `start`: 1 + the words after the first /local; without /local -1 with `require`,
// else 0.
i32 count_locals(Node spec, u32 start, bool require);
// The argument words (word!, get-word!, lit-word!) before the first refinement or return:
// of its spec block — what a caller must supply.
u32 arg_count(Node spec);
// The native `function`'s spec preparation: moves the body's set-words and loop words
// that its spec block does not name into its locals; returns the words collected.
Cell collect_locals(Cell& spec, const Cell& body);

}  // namespace zel::function

