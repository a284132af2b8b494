// string!'s form and mold: the text itself, and the molded spelling that the lexer reads
// back. The other string! actions build on the same series.
#include "runtime/datatypes/registry.h"
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

}  // namespace
}  // namespace zel::string

namespace zel {

constinit const ActionRecord string_actions = [] {
    ActionRecord r;
    r.on_form = string::form;
    r.on_mold = string::mold;
    return r;
}();

}  // namespace zel
