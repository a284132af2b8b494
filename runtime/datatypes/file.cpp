// file!: a path held as its decoded characters. Formed it is that text; molded it is "%"
// and the text, quoted when a character would end or break the literal.
#include <algorithm>

#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/string-output.h"
#include "runtime/datatypes/string.h"
#include "runtime/text/percent-coding.h"

namespace zel::file {
namespace {

// The ASCII characters a file literal holds unquoted: letters, digits and the
// punctuation of URLs. Characters of 127 and above never need quotes.
bool plain(u32 c) { return c >= 127 || percent::url_char(c); }

i32 mold(const Cell* value, Output& out, MoldFlags, const Cell* part, i32 limit, i32) {
    out.append_char('%');
    --limit;
    const u32 length = chars_from_position(*value);
    if (length == 0) return append_text(out, "\"\"", limit);
    bool quoted = false;
    for (u32 i = 0; i < length && !quoted; ++i) quoted = !plain(char_at(*value, i));
    if (quoted) out.append_char('"');
    u32 count = length;
    if (has_part(part) && part->w2 != 0) count = std::min(count, static_cast<u32>(std::max(limit, 0)));
    for (u32 i = 0; i < count; ++i) out.append_char(char_at(*value, i));
    if (quoted) out.append_char('"');
    return limit - static_cast<i32>(count);
}

}  // namespace
}  // namespace zel::file

namespace zel {

constinit const ActionRecord file_actions = [] {
    ActionRecord r;
    r.on_form = string::form;
    r.on_mold = file::mold;
    return r;
}();

}  // namespace zel
