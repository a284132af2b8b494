// Comparison of two texts, the one rule under `compare`, `find`, `parse` and the ordering
// of words: character by character from each value's position, letters folded to one case
// (`unicode::fold`) unless the code asks for case, whatever the unit widths of the two.
// Equality of texts of different lengths is always false.
#pragma once
#include "runtime/core/cell.h"

namespace zel::string {

// -1, 0 or 1 for two string-like values or symbols under a comparison code. Under the
// equality codes 0 means equal; under the ordering codes the sign orders the first text
// against the second. With `match`, 0 means the first text begins with the second (the
// empty text begins every text, except under the find code).
i32 compare_values(const Cell& value1, const Cell& value2, i32 code, bool match);

}  // namespace zel::string
