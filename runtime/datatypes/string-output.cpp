#include "runtime/datatypes/string-output.h"

#include "runtime/datatypes/registry.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/text/string-units.h"
#include "runtime/text/utf8.h"

namespace zel {

namespace {

constexpr u32 output_room = 16;

}  // namespace

u32 char_at(const Cell& text, u32 i) {
    Buffer* b = node::buffer(text.w2);
    return unicode::read_unit(b->head_ptr() + (static_cast<u64>(text.w1 + i) << b->shift()), b->unit());
}

u32 chars_from_position(const Cell& text) {
    const Buffer* b = node::buffer(text.w2);
    const u32 total = b->used() >> b->shift();
    return text.w1 < total ? total - text.w1 : 0;
}

Output::Output() : string_{header_of(Type::string), 0, memory::alloc_units(output_room, 1), 0} {}

void Output::append_char(u32 code_point) {
    Buffer* b = node::buffer(string_.w2);
    const u32 needed = code_point < 0x80 ? 1 : code_point < 0x10000 ? 2 : 4;
    if (needed > b->unit()) b = unicode::widen(b, needed);
    const u32 unit = b->unit();
    unicode::write_unit(series_buffer::reserve_tail(b, unit), unit, code_point);
}

void Output::append_ascii(std::string_view text) {
    if (text.empty()) return;
    Buffer* b = node::buffer(string_.w2);
    const u32 unit = b->unit();
    u8* at = series_buffer::reserve_tail(b, static_cast<u32>(text.size()) * unit);
    for (char c : text) {
        unicode::write_unit(at, unit, static_cast<u8>(c));
        at += unit;
    }
}

void Output::limit_length(u32 n) {
    Buffer* b = node::buffer(string_.w2);
    if (n < length()) b->tail = b->head + (n << b->shift());
}

u32 Output::length() const { return chars_from_position(string_); }

u32 Output::at(u32 i) const { return char_at(string_, i); }

u32 Output::unit() const { return node::buffer(string_.w2)->unit(); }

std::string Output::utf8() const {
    std::string text;
    for (u32 i = 0, n = length(); i < n; ++i) {
        u8 bytes[4];
        text.append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(unicode::encode_utf8_char(at(i), bytes)));
    }
    return text;
}

namespace {

// The letters of the caret escapes of code points 0-31.
constexpr std::string_view control_escapes = "@ABCDEFGH-/KLMNOPQRSTUVWXYZ[\\]^_";

}  // namespace

namespace {

constexpr char hex_digits[] = "0123456789ABCDEF";

}  // namespace

std::string int_to_hex(u32 value, bool trim) {
    std::string text(8, '0');
    for (std::size_t i = text.size(); i-- > 0; value >>= 4) text[i] = hex_digits[value & 0xF];
    if (!trim) return text;
    const bool negative = text[0] >= '8';
    std::size_t start = 0;
    if (negative) {
        // Drop sign-extension digits only while the remaining text still reads as negative.
        while (start + 2 < text.size() && text[start] == 'F' && text[start + 1] >= '8') ++start;
    } else {
        while (start + 1 < text.size() && text[start] == '0') ++start;
        if (start == text.size() - 1 && text[start] == '0') --start;
    }
    return text.substr(start);
}

void mold_char(Output& out, u32 c, bool all) {
    if (c == 30 || (c >= 128 && c <= 159) || (all && c > 127)) {
        out.append_ascii("^(");
        out.append_ascii(int_to_hex(c, true));
        out.append_char(')');
    } else if (c < 32) {
        out.append_char('^');
        out.append_char(static_cast<u8>(control_escapes[c]));
    } else if (c == '"' || c == '^') {
        out.append_char('^');
        out.append_char(c);
    } else if (c == 127) {
        out.append_ascii("^~");
    } else {
        out.append_char(c);
    }
}

namespace {

constexpr u32 brace_length_threshold = 50;
constexpr u32 brace_line_feeds = 3;

// The index of the first "{" in the range that has no matching "}" after it, or the
// range's length when every "{" is matched. A "{" at i is matched when the running brace
// balance after it comes back down to the balance before it.
u32 first_unmatched_open(const Cell& text, u32 n) {
    i64 balance = 0;
    for (u32 i = 0; i < n; ++i) {
        const u32 c = char_at(text, i);
        balance += c == '{' ? 1 : c == '}' ? -1 : 0;
    }
    u32 first = n;
    i64 lowest_after = balance;  // lowest balance at any point after the current one
    for (u32 i = n; i-- > 0;) {
        const u32 c = char_at(text, i);
        const i64 before = balance - (c == '{' ? 1 : c == '}' ? -1 : 0);
        if (c == '{' && lowest_after > before) first = i;
        balance = before;
        if (balance < lowest_after) lowest_after = balance;
    }
    return first;
}

}  // namespace

i32 mold_string(Output& out, const Cell& text, const Cell* part, i32 limit, bool all) {
    const u32 total = chars_from_position(text);
    u32 n = total;
    if (has_part(part) && static_cast<i32>(part->w2) != 0) {
        const u32 allowed = limit < 0 ? 0 : static_cast<u32>(limit);
        if (allowed < n) n = allowed;
    }
    u32 quotes = 0;
    u32 line_feeds = 0;
    for (u32 i = 0; i < n; ++i) {
        const u32 c = char_at(text, i);
        quotes += c == '"';
        line_feeds += c == '\n';
    }
    const bool braces = line_feeds >= brace_line_feeds || quotes > 0 || total >= brace_length_threshold;
    if (!braces) {
        out.append_char('"');
        for (u32 i = 0; i < n; ++i) mold_char(out, char_at(text, i), all);
        out.append_char('"');
    } else {
        const u32 unmatched = first_unmatched_open(text, n);
        i64 depth = 0;
        out.append_char('{');
        for (u32 i = 0; i < n; ++i) {
            const u32 c = char_at(text, i);
            if (c == '{') {
                if (i < unmatched) {
                    ++depth;
                    out.append_char('{');
                } else {
                    out.append_ascii("^{");
                }
            } else if (c == '}') {
                if (depth < 1) {
                    out.append_ascii("^}");
                } else {
                    --depth;
                    out.append_char('}');
                }
            } else if (c == '"') {
                out.append_char('"');
            } else {
                mold_char(out, c, all);
            }
        }
        out.append_char('}');
    }
    return limit - static_cast<i32>(n) - 2;
}

i32 append_text(Output& out, std::string_view text, i32 limit) {
    out.append_ascii(text);
    return limit - static_cast<i32>(text.size());
}

i32 append_indent(Output& out, i32 level, i32 limit) {
    for (i32 i = 0; i < level; ++i) out.append_ascii("    ");
    return limit - 4 * level;
}

i32 form_value(const Cell& value, Output& out, const Cell* part, i32 limit) {
    const sig::on_form form_action = actions_of(value).on_form;
    if (!form_action) raise_expect_arg(value);
    return form_action(&value, out, part, limit);
}

i32 mold_value(const Cell& value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    const sig::on_mold mold_action = actions_of(value).on_mold;
    if (!mold_action) raise_expect_arg(value);
    return mold_action(&value, out, flags, part, limit, indent);
}

namespace {

// The limit a /part argument sets, or none when the output must stay empty.
bool part_limit(const Cell* part, i32& limit) {
    limit = has_part(part) ? static_cast<i32>(part->w2) : no_limit;
    return limit >= 1;
}

}  // namespace

void form(const Cell& value, const Cell* part, Output& out) {
    i32 limit = 0;
    if (!part_limit(part, limit)) return;
    form_value(value, out, part, limit);
    if (has_part(part)) out.limit_length(static_cast<u32>(limit));
}

void mold(const Cell& value, MoldFlags flags, const Cell* part, Output& out) {
    i32 limit = 0;
    if (!part_limit(part, limit)) return;
    mold_value(value, out, flags, part, limit, 0);
    if (has_part(part)) out.limit_length(static_cast<u32>(limit));
}

}  // namespace zel
