// string!'s form, mold and compare: the text itself, the molded spelling that the lexer
// reads back, and the ordering of texts. The other string! actions build on the same series.
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-compare.h"
#include "runtime/datatypes/string-output.h"

namespace zel::string {
namespace {

// With /part only the count asked for is written; the generic entry makes the exact cut.
i32 form(const Cell* value, Output& out, const Cell* part, i32 limit) {
    const u32 length = chars_from_position(*value);
    u32 count = length;
    if (has_part(part)) {
        const i32 asked = static_cast<i32>(part->w2);
        if (asked >= 0 && static_cast<u32>(asked) < count) count = static_cast<u32>(asked);
    }
    for (u32 i = 0; i < count; ++i) out.append_char(char_at(*value, i));
    return limit - static_cast<i32>(length);
}

i32 mold(const Cell* value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32) {
    return mold_string(out, *value, part, limit, flags.all);
}

// Texts of two string-like types are equal or not equal by their characters, but never
// strictly equal and never ordered.
i32 compare(const Cell* value1, const Cell* value2, i32 code) {
    if (value1->type() != value2->type() &&
        !(series::any_string(value2->type()) && (code == compare_code::equal || code == compare_code::not_equal)))
        return not_comparable;
    return compare_values(*value1, *value2, code, false);
}

}  // namespace
}  // namespace zel::string

namespace zel {

constinit const ActionRecord string_actions = [] {
    ActionRecord r;
    r.on_form = string::form;
    r.on_mold = string::mold;
    r.on_compare = string::compare;
    return r;
}();

}  // namespace zel
