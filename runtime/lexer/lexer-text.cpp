#include "runtime/lexer/lexer-text.h"

#include <algorithm>
#include <cstring>

#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/text/string-units.h"
#include "runtime/text/utf8.h"

namespace zel::lexer {

namespace {

struct CharName {
    const char* name;
    u32 code;
};
constexpr CharName char_names[] = {
    {"null", 0}, {"back", 8}, {"tab", 9}, {"line", 10}, {"page", 12}, {"esc", 27}, {"del", 127},
};

u8 lower(u8 c) { return c >= 'A' && c <= 'Z' ? static_cast<u8>(c + 32) : c; }

// "^(name)": the code of a character name followed directly by ")".
i32 named_char(const u8*& p, const u8* end) {
    for (const CharName& n : char_names) {
        std::size_t length = std::strlen(n.name);
        if (static_cast<std::size_t>(end - p) <= length || p[length] != ')') continue;
        bool same = true;
        for (std::size_t i = 0; i < length && same; ++i) same = lower(p[i]) == static_cast<u8>(n.name[i]);
        if (same) {
            p += length + 1;
            return static_cast<i32>(n.code);
        }
    }
    return -1;
}

}  // namespace

u8 hex_digit(u32 c) {
    if (c >= '0' && c <= '9') return static_cast<u8>(c - '0');
    if (c >= 'A' && c <= 'F') return static_cast<u8>(c - 'A' + 10);
    if (c >= 'a' && c <= 'f') return static_cast<u8>(c - 'a' + 10);
    return 255;
}

i32 decode_escape(const u8*& p, const u8* end) {
    if (p >= end) return -1;
    u8 c = *p;
    if (c == '(') {
        const u8* q = p + 1;
        i32 named = named_char(q, end);
        if (named >= 0) {
            p = q;
            return named;
        }
        u32 code = 0;
        int digits = 0;
        while (q < end && digits < 6 && hex_digit(*q) != 255) {
            code = code * 16 + hex_digit(*q++);
            ++digits;
        }
        if (digits == 0 || q >= end || *q != ')' || code > unicode::max_code_point) return -1;
        p = q + 1;
        return static_cast<i32>(code);
    }
    ++p;
    switch (c) {
    case '"': return '"';
    case '-': return '\t';
    case '/': return '\n';
    case '^': return '^';
    case '{': return '{';
    case '}': return '}';
    case '~': return 127;
    case '@': return 0;
    default: break;
    }
    if (c >= 'a' && c <= 'z') return c - 'a' + 1;
    if ((c >= 'A' && c <= 'Z') || c == '[' || c == '\\' || c == ']' || c == '_') return c - 64;
    // Any other character stands for itself: decode it whole.
    --p;
    std::size_t available = static_cast<std::size_t>(end - p);
    i32 cp = unicode::decode_utf8_char(p, available);
    if (cp < 0) return -1;
    p += available;
    return cp;
}

bool decode_text(const u8* p, const u8* end, bool escapes, std::u32string& out) {
    while (p < end) {
        u8 b = *p;
        if (b < 0x80) {
            ++p;
            if (b == '^' && escapes) {
                i32 c = decode_escape(p, end);
                if (c < 0) return false;
                out.push_back(static_cast<char32_t>(c));
            } else {
                out.push_back(b);
            }
            continue;
        }
        std::size_t available = static_cast<std::size_t>(end - p);
        i32 cp = unicode::decode_utf8_char(p, available);
        if (cp < 0) return false;
        out.push_back(static_cast<char32_t>(cp));
        p += available;
    }
    return true;
}

Cell make_text(Type type, const std::u32string& chars) {
    u32 unit = 1;
    for (char32_t c : chars) unit = std::max(unit, unicode::unit_for(c));
    auto count = static_cast<u32>(chars.size());
    // One unit more than the characters, so that a terminator always fits.
    Node n = memory::alloc_units(count + 1, unit);
    Buffer* b = node::buffer(n);
    u8* out = b->head_ptr();
    for (u32 i = 0; i < count; ++i) unicode::write_unit(out + i * unit, unit, chars[i]);
    b->tail = b->head + count * unit;
    return Cell{header_of(type), 0, n, 0};
}

Cell make_bytes(Type type, const u8* bytes, u32 length) {
    Node n = memory::alloc_bytes(length);
    Buffer* b = node::buffer(n);
    if (length) std::memcpy(b->head_ptr(), bytes, length);
    b->tail = b->head + length;
    return Cell{header_of(type), 0, n, 0};
}

namespace {

// The byte a "%" escape of two hexadecimal digits at chars[i] stands for, -1 when there
// is none.
i32 escaped_byte(const std::u32string& chars, std::size_t i) {
    if (i + 2 >= chars.size() || chars[i] != '%') return -1;
    const u8 high = hex_digit(chars[i + 1]);
    const u8 low = hex_digit(chars[i + 2]);
    return high == 255 || low == 255 ? -1 : high * 16 + low;
}

}  // namespace

std::u32string percent_decode(const std::u32string& chars) {
    std::u32string out;
    for (std::size_t i = 0; i < chars.size();) {
        const i32 lead = escaped_byte(chars, i);
        if (lead < 0xC0) {
            // No escape, or a byte that starts no sequence: one character.
            out.push_back(lead < 0 ? chars[i] : static_cast<u32>(lead));
            i += lead < 0 ? 1 : 3;
            continue;
        }
        // A lead byte decodes with the rest of its sequence escaped after it, else its
        // "%" is plain text.
        const std::size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        u8 bytes[4];
        std::size_t escaped = 0;
        for (i32 b; escaped < length && (b = escaped_byte(chars, i + 3 * escaped)) >= 0; ++escaped)
            bytes[escaped] = static_cast<u8>(b);
        std::size_t available = length;
        const i32 code = escaped == length ? unicode::decode_utf8_char(bytes, available) : unicode::utf8_invalid;
        if (code < 0 || available != length) {
            out.push_back(chars[i++]);
            continue;
        }
        out.push_back(static_cast<u32>(code));
        i += 3 * length;
    }
    return out;
}

}  // namespace zel::lexer
