// logic!: true and false, word 1 of the cell being 1 or 0 and nothing else. Also the
// truth tests of conditions: every value is true but none and false; an unset value is
// an error where a condition needs a value.
#pragma once
#include "runtime/core/cell-views.h"

namespace zel::logic {

inline bool get(const Cell& cell) { return as_logic(cell).value != 0; }
inline Cell cell(bool value) { return value ? true_cell : false_cell; }

// The test of `either` and loops: unset raises script/no-return.
bool condition_true(const Cell& value);
// The test of `if`, `unless`, `all` and `not`: only none and false are false.
bool is_false(const Cell& value);

}  // namespace zel::logic
