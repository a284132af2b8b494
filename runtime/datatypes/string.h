// string!: text as a position in a series of 1-, 2- or 4-byte units. These actions serve
// string! and, through inheritance, the other string-like types. A buffer moves when it
// grows or widens and at any allocation or ownership hook: hold (node, index) across such
// calls and re-read the units.
#pragma once
#include "runtime/datatypes/action-signatures.h"

namespace zel::string {

// Values whose elements `append`, `insert`, `change` and `to` form one by one.
bool block_like(Type t);

Cell* make(Cell* prototype, const Cell* spec, Type target);
Cell* to(Cell* prototype, const Cell* spec, Type target);
Cell* eval_path(Cell* parent, const Cell* element, const Cell* value_to_set, const PathStep& step);
// The characters from the position as they are: the form of every string-like type
// without delimiters of its own.
i32 form(const Cell* value, Output& out, const Cell* part, i32 limit);

// part: the /part count or -1; dup: the /dup count (nothing is added below 1). `append`
// tells the owner only with `notify`; `insert` always tells it.
Cell* append(Cell* series, const Cell* value, i32 part, bool only, i32 dup, bool notify);
Cell* insert(Cell* series, const Cell* value, i32 part, bool only, i32 dup, bool notify);
Cell* change(Cell* series, const Cell* value, i32 part, bool only, i32 dup);
Cell* swap(Cell* series1, Cell* series2);
Cell* take(Cell* series, const Cell* part, bool deep, bool last);

Cell* find(Cell* series, const Cell* value, const FindRefinements& refinements);
Cell* select(Cell* series, const Cell* value, const FindRefinements& refinements);

Cell* sort(Cell* series, const SortRefinements& refinements);

Cell* trim(Cell* series, const TrimRefinements& refinements);
// Drops the leading and trailing whitespace from the position and turns each inner run
// of it into one space.
void collapse_spaces(const Cell& series);
// Drops whitespace at the start (unless only `tail`) and at the end (unless only `head`);
// with neither flag also each line's leading and trailing spaces and tabs, keeping one
// line feed at the end when one was dropped there.
void trim_spaces(const Cell& series, bool head, bool tail);

// unique, union, intersect, exclude or difference of records of `skip` characters (null:
// 1), each known by its first character, letters in either case alike unless `case_`; the
// result, a new string of the first's type, replaces `first`.
Cell* set_op(Cell* first, const Cell* second, bool case_, SetOp op, const Cell* skip);

}  // namespace zel::string
