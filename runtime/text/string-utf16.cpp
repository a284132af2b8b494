#include "runtime/text/string-utf16.h"

#include <cstring>

#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/text/string-units.h"
#include "runtime/text/utf16.h"
#include "runtime/text/utf8.h"

namespace zel::unicode {
namespace {

// Units the UTF-16 form takes beyond one per character: the second half of each pair,
// and a CR before each LF when asked. False when a code point is above U+10FFFF.
bool utf16_extra_units(const Units& units, bool crlf, u64& extra) {
    extra = 0;
    const u8* p = units.start;
    for (u32 i = 0; i < units.count; ++i, p += units.unit) {
        u32 cp = read_unit(p, units.unit);
        if (cp > max_code_point) return false;
        extra += u64{cp >= 0x10000} + u64{crlf && cp == '\n'};
    }
    return true;
}

u32 utf16_unit_width(const u16* src, u32 count) {
    u32 width = 1;
    for (u32 i = 0; i < count; ++i) {
        if (is_high_surrogate(src[i]) || is_low_surrogate(src[i])) return 4;
        if (src[i] > 0xFF) width = 2;
    }
    return width;
}

}  // namespace

const u16* to_utf16(Cell& str, i32& count, bool crlf) {
    Units units = units_of(str, count);
    u64 extra;
    if (!utf16_extra_units(units, crlf, extra)) return nullptr;
    u64 size = 2 * (u64{units.count} + extra + 1);
    if (size > max_series_bytes) memory::raise_no_memory();
    Buffer* b = conversion_buffer(str, static_cast<u32>(size));
    units = units_of(str, count);  // the allocation may have moved the string
    auto* out = reinterpret_cast<u16*>(b->data());
    u16* o = out;
    if (units.unit == 2 && !crlf) {
        std::memcpy(o, units.start, 2 * u64{units.count});
        o += units.count;
    } else {
        const u8* p = units.start;
        for (u32 i = 0; i < units.count; ++i, p += units.unit) {
            u32 cp = read_unit(p, units.unit);
            if (crlf && cp == '\n') *o++ = '\r';
            o += encode_utf16_char(cp, o);
        }
    }
    *o = 0;
    b->tail = static_cast<u32>(2 * (o - out));
    count = static_cast<i32>(o - out);
    return out;
}

Node load_utf16le(const u16* src, u32 count, Node target, bool drop_cr) {
    u32 unit = utf16_unit_width(src, count);
    Buffer* b;
    if (target) {
        b = node::buffer(target);
        u64 need = u64{count} * unit;
        if (b->size - b->head < need) b = series_buffer::expand(b, static_cast<i64>(need));
        b->flags = (b->flags & ~bufferflag::unit_mask) | unit;
    } else {
        target = memory::alloc_units(count, unit);
        b = node::buffer(target);
    }
    u8* head = b->head_ptr();
    u8* o = head;
    if (unit == 2 && !drop_cr) {
        std::memcpy(o, src, 2 * u64{count});
        o += 2 * u64{count};
    } else {
        const u16* end = src + count;
        for (const u16* p = src; p < end;) {
            u32 cp;
            p = decode_utf16_char(p, end, cp);
            if (drop_cr && cp == '\r') continue;
            write_unit(o, unit, cp);
            o += unit;
        }
    }
    b->tail = b->head + static_cast<u32>(o - head);
    return target;
}

}  // namespace zel::unicode
