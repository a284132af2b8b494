#include "runtime/datatypes/unset.h"

#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/unit-compare.h"

namespace zel::unset {
namespace {

// Whatever the spec, making an unset value gives unset.
Cell* make(Cell* prototype, const Cell*, Type) {
    *prototype = value();
    return prototype;
}

i32 form(const Cell*, Output&, const Cell*, i32 limit) { return limit; }

i32 mold(const Cell*, Output& out, MoldFlags flags, const Cell*, i32 limit, i32) {
    const std::string_view text = flags.all ? "#(unset)" : "unset";
    out.append_ascii(text);
    return limit - static_cast<i32>(text.size());
}

i32 compare(const Cell*, const Cell* value2, i32 code) {
    return value2->is(Type::unset) && unit_type_relates_under(code) ? 0 : not_comparable;
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
