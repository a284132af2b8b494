// none!: the explicit "nothing" that failed searches answer. It also answers the series
// queries, so that searching or taking from a missing series gives none, not an error.
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"

namespace zel::none {
namespace {

constexpr std::string_view text = "none";
constexpr std::string_view construction_text = "#(none)";

Cell* make(Cell* prototype, const Cell*, Type) {
    *prototype = none_cell;
    return prototype;
}

i32 form(const Cell*, Output& out, const Cell*, i32 limit) {
    return append_text(out, text, limit);
}

i32 mold(const Cell*, Output& out, MoldFlags flags, const Cell*, i32 limit, i32) {
    const std::string_view molded = flags.all ? construction_text : text;
    out.append_ascii(molded);
    return limit - static_cast<i32>(molded.size());
}

i32 compare(const Cell*, const Cell* value2, i32 code) {
    return value2->is(Type::none) && compare_code::asks_equality_or_sort(code) ? 0 : not_comparable;
}

Cell* answer_none(Cell* series) {
    *series = none_cell;
    return series;
}

Cell* clear(Cell* series) { return answer_none(series); }
Cell* find(Cell* series, const Cell*, const FindRefinements&) { return answer_none(series); }
Cell* remove(Cell* series, const Cell*, const Cell*) { return answer_none(series); }
Cell* take(Cell* series, const Cell*, bool, bool) { return answer_none(series); }
i32 length_q(Cell*) { return -1; }

}  // namespace
}  // namespace zel::none

namespace zel {

constinit const ActionRecord none_actions = [] {
    ActionRecord r;
    r.on_make = none::make;
    r.on_to = none::make;
    r.on_form = none::form;
    r.on_mold = none::mold;
    r.on_compare = none::compare;
    r.on_clear = none::clear;
    r.on_find = none::find;
    r.on_length_q = none::length_q;
    r.on_remove = none::remove;
    r.on_select = none::find;
    r.on_take = none::take;
    return r;
}();

}  // namespace zel
