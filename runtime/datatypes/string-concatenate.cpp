#include "runtime/datatypes/string-concatenate.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/datatypes/string-storage.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"

namespace zel::string {

void concatenate(const Cell& destination, const Cell& source, i32 part, u32 offset, bool keep_source, Concat mode) {
    const Cell text = text_of(source);
    const bool keep = keep_source || source.is(Type::symbol);
    const Node target = destination.w2;
    if (node::buffer(target)->unit() < node::buffer(text.w2)->unit())
        unicode::widen(node::buffer(target), node::buffer(text.w2)->unit());
    else if (!keep && node::buffer(text.w2)->unit() < node::buffer(target)->unit())
        unicode::widen(node::buffer(text.w2), node::buffer(target)->unit());

    u32 n = units_from_position(text).count;
    if (part >= 0 && static_cast<u32>(part) < n) n = static_cast<u32>(part);
    if (n == 0) return;

    Buffer* d = node::buffer(target);
    const u32 width = d->unit();
    const u64 bytes = u64{n} * width;
    const u64 needed = u64{d->used()} + bytes;
    if (u64{d->size} - d->head < needed)
        d = series_buffer::expand(d, static_cast<i64>(std::max<u64>(needed, std::min<u64>(2 * needed, max_series_bytes))));

    // The source's characters at the destination's width, taken before anything moves
    // when they share the destination's series.
    const unicode::Units from = units_from_position(text);
    std::vector<u8> own_copy;
    const u8* source_units = from.start;
    if (text.w2 == target) {
        own_copy.assign(from.start, from.start + bytes);
        source_units = own_copy.data();
    }

    const u32 total = d->used() / width;
    const u32 index = static_cast<u32>(std::min<u64>(u64{std::min(destination.w1, total)} + offset, total));
    u8* at = mode == Concat::append ? d->tail_ptr() : d->head_ptr() + u64{index} * width;
    if (mode == Concat::insert) std::memmove(at + bytes, at, u64{total - index} * width);

    if (from.unit == width) {
        std::memmove(at, source_units, bytes);
    } else {
        for (u32 k = 0; k < n; ++k)
            unicode::write_unit(at + u64{k} * width, width, unicode::read_unit(source_units + u64{k} * from.unit, from.unit));
    }

    if (mode == Concat::overwrite)
        d->tail = std::max(d->tail, static_cast<u32>(at + bytes - d->data()));
    else
        d->tail += static_cast<u32>(bytes);
}

}  // namespace zel::string
