// unset!: the absence of a value. Its cell is a bare header (the constant unset_cell);
// forming it writes nothing.
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"

namespace zel::unset {
namespace {

// Whatever it is made from, making an unset value gives unset.
Cell* make(Cell* prototype, const Cell*, Type) {
    *prototype = unset_cell;
    return prototype;
}

i32 form(const Cell*, Output&, const Cell*, i32 limit) { return limit; }

i32 mold(const Cell*, Output& out, MoldFlags flags, const Cell*, i32 limit, i32) {
    const std::string_view text = flags.all ? "#(unset)" : "unset";
    return append_text(out, text, limit);
}

i32 compare(const Cell*, const Cell* value2, i32 code) {
    return value2->is(Type::unset) && compare_code::asks_equality_or_sort(code) ? 0 : not_comparable;
}

}  // namespace
}  // namespace zel::unset

namespace zel {

constinit const ActionRecord unset_actions = [] {
    ActionRecord r;
    r.on_make = unset::make;
    r.on_to = unset::make;
    r.on_form = unset::form;
    r.on_mold = unset::mold;
    r.on_compare = unset::compare;
    return r;
}();

}  // namespace zel
