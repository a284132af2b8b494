// The error catalogue as the language sees it (`system/catalog/errors`): one object per
// category, in category order, whose fields are `code`, `type` (the title) and the ids in
// catalogue order, each holding its message template. Built from error-catalog.def, the
// one table of errors, so positions here are the positions raising code uses.
#pragma once
#include "runtime/core/cell.h"

namespace zel::error_catalog {

// The catalogue object.
Cell build();

// A template's value read from its source text: a string!, a block! of strings, words and
// get-words, or a word!.
Cell read_template(const char* text);

}  // namespace zel::error_catalog
