#include "runtime/text/string-utf8.h"

#include <algorithm>
#include <cstring>

#include "runtime/core/raise.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/text/string-units.h"
#include "runtime/text/utf8.h"

namespace zel::unicode {
namespace {

[[noreturn]] void raise_invalid_char(u32 cp) {
    Cell arg{header_of(Type::integer), 0, cp, 0};
    raise(ErrorId::script_invalid_char, &arg);
}

// The error's argument: a binary! of the 4 bytes from the sequence's start, or of the
// bytes left when fewer remain.
[[noreturn]] void raise_invalid_utf8(const u8* p, const u8* end) {
    u32 n = static_cast<u32>(std::min<std::ptrdiff_t>(end - p, 4));
    Node bytes = memory::alloc_bytes(n);
    Buffer* b = node::buffer(bytes);
    std::memcpy(b->data(), p, n);
    b->tail = n;
    Cell arg{header_of(Type::binary), 0, bytes, 0};
    raise(ErrorId::access_invalid_utf8, &arg);
}

// Encodes units.count characters; stops before a character that would pass `limit`.
u8* encode_units(const Units& units, u8* out, const u8* limit, bool crlf) {
    const u8* p = units.start;
    for (u32 i = 0; i < units.count; ++i, p += units.unit) {
        u32 cp = read_unit(p, units.unit);
        int n = utf8_size_of_char(cp);
        if (n == 0) raise_invalid_char(cp);
        bool cr = crlf && cp == '\n';
        if (limit - out < n + cr) break;
        if (cr) *out++ = '\r';
        out += encode_utf8_char(cp, out);
    }
    return out;
}

// Bytes per character that to_utf8 reserves: enough for the widest character of the
// width, and for CR LF in place of LF.
u32 utf8_bytes_per_unit(u32 unit) {
    switch (unit) {
    case 1:
        return 2;
    case 2:
        return 3;
    case 4:
        return 4;
    }
    bad_unit_width();
}

}  // namespace

u64 utf8_size_of_units(const u8* start, const u8* end, u32 unit) {
    u64 n = 0;
    for (const u8* p = start; p < end; p += unit) n += static_cast<u64>(utf8_size_of_char(read_unit(p, unit)));
    return n;
}

const u8* to_utf8(Cell& str, i32& count) { return to_utf8_crlf(str, count, false); }

const u8* to_utf8_crlf(Cell& str, i32& count, bool crlf) {
    Units units = units_of(str, count);
    u64 size = (u64{units.count} + 1) * utf8_bytes_per_unit(units.unit);
    if (size > max_series_bytes) memory::raise_no_memory();
    Buffer* out = conversion_buffer(str, static_cast<u32>(size));
    units = units_of(str, count);  // the allocation may have moved the string
    u8* end = encode_units(units, out->data(), out->data() + size - 1, crlf);
    *end = 0;
    out->tail = static_cast<u32>(end - out->data());
    count = static_cast<i32>(out->tail);
    return out->data();
}

u32 encode_string_utf8(const Cell& str, u8* out, i32 count, bool nul) {
    Units units = units_of(str, count);
    u8* end = encode_units(units, out, out + 4 * u64{units.count}, false);
    if (nul) *end = 0;
    return static_cast<u32>(end - out);
}

Node load_utf8(const u8* src, u32 length, Node target, u32* unconsumed, bool line_ends) {
    if (unconsumed) *unconsumed = 0;
    Buffer* b;
    if (target) {
        b = node::buffer(target);
        // A character takes at least one byte: room for `length` units is always enough.
        if ((b->size - b->head) >> b->shift() < length) b = series_buffer::expand(b, i64{length} << b->shift());
        b->tail = b->head;
    } else {
        target = memory::alloc_units(std::max<u32>(length, 1), 1);
        b = node::buffer(target);
    }
    const u8* p = src;
    const u8* end = src + length;
    static constexpr u8 byte_order_mark[] = {0xEF, 0xBB, 0xBF};
    if (length >= 3 && std::memcmp(p, byte_order_mark, 3) == 0) p += 3;
    u32 unit = b->unit();
    while (p < end) {
        if (unit == 1 && *p < 0x80) {
            // A run of ASCII into a one-byte buffer is copied as it is: most text is ASCII.
            const u8* run = p;
            while (run < end && *run < 0x80 && !(line_ends && *run == '\r')) ++run;
            if (run > p) {
                const auto count = static_cast<u32>(run - p);
                std::memcpy(b->tail_ptr(), p, count);
                b->tail += count;
                p = run;
                continue;
            }
        }
        std::size_t n = static_cast<std::size_t>(end - p);
        i32 c = decode_utf8_char(p, n);
        if (c == utf8_truncated) {
            if (unconsumed) *unconsumed = static_cast<u32>(end - p);
            break;
        }
        if (c == utf8_invalid) raise_invalid_utf8(p, end);
        p += n;
        u32 cp = static_cast<u32>(c);
        if (line_ends && cp == '\r') {
            if (p < end && *p == '\n') continue;
            cp = '\n';
        }
        if (unit_for(cp) > unit) {
            // Room for every character still to come, so the buffer grows once per width.
            unit = unit_for(cp);
            b = widen(b, unit, static_cast<u32>(end - p) + 1);
        }
        write_unit(b->tail_ptr(), unit, cp);
        b->tail += unit;
    }
    return target;
}

Cell string_of_utf8(std::string_view text, Type type) {
    return Cell{header_of(type), 0, load_utf8_new(reinterpret_cast<const u8*>(text.data()), static_cast<u32>(text.size())), 0};
}

std::string utf8_of(const Cell& str) {
    Cell text = str;
    i32 count = -1;
    const u8* bytes = to_utf8(text, count);
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(count));
}

}  // namespace zel::unicode
