// block!: the list of values, a position in a series of 16-byte cells. These primitives
// and actions serve block! and, through inheritance, paren! and the path! family. Cells
// are addresses into a buffer that any allocation, ownership hook or comparator may move:
// hold (node, index) across such calls and re-read the cell.
#pragma once
#include "runtime/datatypes/action-signatures.h"

namespace zel {
class Output;
}

namespace zel::block {

// Cells from the index to the tail (negative when the index lies past the tail).
i32 length(const Cell& b);
// Cell n from the buffer's head, ignoring the index.
Cell* cell_at(const Cell& b, u32 n);
void set_tail(const Cell& b, u32 n);
// Appends a copy of the cell at the tail; returns the new cell.
Cell* append_value(const Cell& b, const Cell& value);
// The cell after the first word of any word type naming the symbol (canonical, or exact
// with the case flag), or the none constant.
const Cell* select_word(const Cell& b, const Cell& word, bool case_);
// Inserts a copy of the cell at the position (at the head with the flag); with
// `advance` the index moves past it.
void insert_value(Cell& b, const Cell& value, bool advance, bool at_head);
// Makes the cell an empty block! with room for n cells (1 when n is below 1); with
// `fixed`, in the tracked heap, never moved nor collected.
Cell* make_at(Cell* cell, i32 n, bool fixed = false);
// Appends a new empty block to `holder` and answers it.
Cell* make_in(const Cell& holder, i32 n);
// A new series of the source's type with copies of its cells from the position (room for
// at least one); `deep` clones nested blocks, with `all_blocks` parens and paths too.
Cell* clone(const Cell& source, bool deep, bool all_blocks, Cell* out);
// Replaces each cell of the block from `from` to `to` (every `step`) that passes the
// types filter and is a series or object by its copy.
void copy_nested(const Cell& b, u32 from, u32 to, u32 step, const Cell& types);
i32 mold_elements(const Cell& b, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent);
i32 compare_cells(const Cell& b1, const Cell& b2, i32 code);
// unique, union, intersect, exclude or difference of records of `skip` cells (null: 1),
// each known by its first cell; the result replaces `first`.
Cell* set_op(Cell* first, const Cell* second, bool case_, SetOp op, const Cell* skip);

// What a `sort/compare` function's answer means for the pair (a, b) it was called with as
// (b, a): true or a negative number puts a after b; false, none! or a positive number
// before it; zero keeps them equal; any other value puts a after b.
i32 function_ordering(const Cell& answer);

// Actions that the path! family and paren! share (their own tables pick among them).
Cell* make(Cell* prototype, const Cell* spec, Type target);
Cell* to(Cell* prototype, const Cell* spec, Type target);
i32 form(const Cell* value, Output& out, const Cell* part, i32 limit);
i32 compare(const Cell* value1, const Cell* value2, i32 code);
Cell* copy(Cell* value, Cell* result, const Cell* part, bool deep, const Cell* types);
Cell* find(Cell* series, const Cell* value, const FindRefinements& refinements);
Cell* select(Cell* series, const Cell* value, const FindRefinements& refinements);
Cell* put(Cell* series, const Cell* key, const Cell* value, bool case_);
Cell* insert(Cell* series, const Cell* value, i32 part, bool only, i32 dup, bool append);
Cell* change(Cell* series, const Cell* value, i32 part, bool only, i32 dup);
Cell* take(Cell* series, const Cell* part, bool deep, bool last);
Cell* swap(Cell* series1, Cell* series2);
Cell* trim(Cell* series, const TrimRefinements& refinements);
Cell* sort(Cell* series, const SortRefinements& refinements);
Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step);

}  // namespace zel::block
