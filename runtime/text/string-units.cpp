#include "runtime/text/string-units.h"

#include <algorithm>

#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"

namespace zel::unicode {

Buffer* widen(Buffer* b, u32 unit, u32 room) {
    u32 old_unit = b->unit();
    u32 count = b->used() >> b->shift();
    u64 need = u64{b->head} + (u64{count} + room) * unit;
    if (need > b->size) b = series_buffer::expand(b, static_cast<i64>(need - b->head));
    // From the last unit back, so no unit is overwritten before it is read.
    u8* head = b->head_ptr();
    for (u32 i = count; i-- > 0;) write_unit(head + i * unit, unit, read_unit(head + i * old_unit, old_unit));
    b->tail = b->head + count * unit;
    b->flags = (b->flags & ~bufferflag::unit_mask) | unit;
    return b;
}

Units units_of(const Cell& str, i32 count) {
    Buffer* b = node::buffer(str.w2);
    u32 total = b->used() >> b->shift();
    u32 index = std::min(str.w1, total);
    u32 n = total - index;
    if (count >= 0) n = std::min(n, static_cast<u32>(count));
    return {b->head_ptr() + (index << b->shift()), n, b->unit()};
}

Buffer* conversion_buffer(Cell& str, u32 size) {
    if (str.w3 == 0) {
        str.w3 = memory::alloc_bytes(size);
        return node::buffer(str.w3);
    }
    Buffer* b = node::buffer(str.w3);
    if (b->size < size) b = series_buffer::replace_buffer(b, size);
    b->head = b->tail = 0;
    return b;
}

}  // namespace zel::unicode
