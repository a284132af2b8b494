// error!: an object! made from the standard error prototype (class id 1, no handlers)
// whose `type` and `id` words name a category and an id of the error catalogue, with its
// `code` kept equal to category index × 100 + id position - 2. Forming one writes the
// error report; a malformed error is reported as internal/invalid-error, never fails.
#pragma once
#include "runtime/core/error-ids.h"
#include "runtime/datatypes/standard.h"

namespace zel {
class Output;
}

namespace zel::error {

// An error! from a category word, an id word and up to three arguments (null: none).
Cell create(const Cell& category, const Cell& id, const Cell* arg1, const Cell* arg2, const Cell* arg3);
// The same, naming the error by its catalogue entry.
Cell create(ErrorId id, const Cell* arg1, const Cell* arg2, const Cell* arg3);
// `make error!` of a code, a block or a string.
Cell make(const Cell& spec);

// A field's value cell; valid until the next allocation.
Cell* field(const Cell& err, standard::Field f);
// Puts the word in `where` unless `where` already holds something.
void set_where_default(const Cell& err, const Cell& word);
u32 type_symbol(const Cell& err);
// Replaces the frame position that `stack` holds since the error was raised by the words
// of the calls open then (system/state/stack-trace levels, at least 1), so that the trace
// outlives the frames. The frames must not have been popped yet.
void fill_stack_trace(const Cell& err);

// The error report: "*** <title>: <message>" and the Where, Near, Stack and Files lines.
i32 report(const Cell& err, Output& out, i32 limit);

}  // namespace zel::error
