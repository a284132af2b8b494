#include "runtime/datatypes/string-output.h"

#include "runtime/datatypes/registry.h"
#include "runtime/memory/fatal.h"
#include "runtime/memory/heap.h"

namespace zel {

Output::~Output() { heap::free(chars_); }

void Output::append_char(u32 code_point) {
    if (length_ == capacity_) {
        const u32 grown = capacity_ ? capacity_ * 2 : 16;
        chars_ = static_cast<u32*>(heap::resize(chars_, grown * sizeof(u32)));
        if (!chars_) fatal::exit_with_error(fatal::out_of_memory);
        capacity_ = grown;
    }
    chars_[length_++] = code_point;
}

void Output::append_ascii(std::string_view text) {
    for (char c : text) append_char(static_cast<u8>(c));
}

void Output::limit_length(u32 n) {
    if (n < length_) length_ = n;
}

std::string Output::utf8() const {
    std::string text;
    for (u32 i = 0; i < length_; ++i) {
        const u32 c = chars_[i];
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

u32 TextSpan::at(u32 i) const {
    switch (width) {
    case 1:
        return static_cast<const u8*>(units)[i];
    case 2:
        return static_cast<const u16*>(units)[i];
    case 4:
        return static_cast<const u32*>(units)[i];
    default:
        fatal::exit_with_error(fatal::no_switch_match);
    }
}

namespace {

// The letters of the caret escapes of code points 0-31.
constexpr std::string_view control_escapes = "@ABCDEFGH-/KLMNOPQRSTUVWXYZ[\\]^_";

}  // namespace

std::string int_to_hex(u32 value, bool trim) {
    constexpr char digits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4) text[i] = digits[value & 0xF];
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
u32 first_unmatched_open(const TextSpan& text, u32 n) {
    i64 balance = 0;
    for (u32 i = 0; i < n; ++i) {
        const u32 c = text.at(i);
        balance += c == '{' ? 1 : c == '}' ? -1 : 0;
    }
    u32 first = n;
    i64 lowest_after = balance;  // lowest balance at any point after the current one
    for (u32 i = n; i-- > 0;) {
        const u32 c = text.at(i);
        const i64 before = balance - (c == '{' ? 1 : c == '}' ? -1 : 0);
        if (c == '{' && lowest_after > before) first = i;
        balance = before;
        if (balance < lowest_after) lowest_after = balance;
    }
    return first;
}

}  // namespace

i32 mold_text(Output& out, TextSpan text, const Cell* part, i32 limit, bool all) {
    u32 n = text.length;
    if (has_part(part) && static_cast<i32>(part->w2) != 0) {
        const u32 allowed = limit < 0 ? 0 : static_cast<u32>(limit);
        if (allowed < n) n = allowed;
    }
    u32 quotes = 0;
    u32 line_feeds = 0;
    for (u32 i = 0; i < n; ++i) {
        const u32 c = text.at(i);
        quotes += c == '"';
        line_feeds += c == '\n';
    }
    const bool braces = line_feeds >= brace_line_feeds || quotes > 0 || text.length >= brace_length_threshold;
    if (!braces) {
        out.append_char('"');
        for (u32 i = 0; i < n; ++i) mold_char(out, text.at(i), all);
        out.append_char('"');
    } else {
        const u32 unmatched = first_unmatched_open(text, n);
        i64 depth = 0;
        out.append_char('{');
        for (u32 i = 0; i < n; ++i) {
            const u32 c = text.at(i);
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

i32 form_value(const Cell& value, Output& out, const Cell* part, i32 limit) {
    const sig::on_form form_action = actions_of(value).on_form;
    return form_action ? form_action(&value, out, part, limit) : limit;
}

i32 mold_value(const Cell& value, Output& out, MoldFlags flags, const Cell* part, i32 limit, i32 indent) {
    const sig::on_mold mold_action = actions_of(value).on_mold;
    return mold_action ? mold_action(&value, out, flags, part, limit, indent) : limit;
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
