// triple!: three signed 32-bit integers in words 1-3, which the parse engine keeps its
// stack positions in. It is only printed, in the form that names its type.
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"

namespace zel::triple {
namespace {

i32 form(const Cell* value, Output& out, const Cell*, i32 limit) {
    const u32 start = out.length();
    out.append_ascii("make triple! [");
    const u32 words[3] = {value->w1, value->w2, value->w3};
    for (int i = 0; i < 3; ++i) {
        if (i > 0) out.append_char(' ');
        out.append_ascii(integer::to_decimal_text(static_cast<i32>(words[i])).view());
    }
    out.append_char(']');
    return limit - static_cast<i32>(out.length() - start);
}

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    return form(value, out, part, limit);
}

}  // namespace
}  // namespace zel::triple

namespace zel {

constinit const ActionRecord triple_actions = [] {
    ActionRecord r;
    r.on_form = triple::form;
    r.on_mold = triple::mold;
    return r;
}();

}  // namespace zel
