#include "runtime/datatypes/string-storage.h"

#include <algorithm>
#include <cstring>

#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/text/string-utf8.h"

namespace zel::string {

void make_at(Cell& cell, u32 n) { make_at_width(cell, n, 1); }

void make_at_width(Cell& cell, u32 n, u32 width) {
    cell = Cell{header_of(Type::string), 0, memory::alloc_units(n == 0 ? 1 : n, width), 0};
}

Cell text_of(const Cell& value) {
    if (!value.is(Type::symbol)) return value;
    Node form = value.w2;
    if (form == 0) {
        Buffer* name = node::buffer(value.w3);
        form = unicode::load_utf8_new(name->head_ptr(), name->used());
    }
    return Cell{header_of(Type::string), 0, form, 0};
}

namespace {

u32 units_in(const Buffer* b) { return b->used() >> b->shift(); }

// Makes room in the series for character i at a width that holds cp: widens the units
// and grows the data area as needed. Returns the series' buffer.
Buffer* room_for_char(Node str, u32 i, u32 cp) {
    Buffer* b = node::buffer(str);
    const u32 width = unicode::unit_for(cp);
    if (width > b->unit()) b = unicode::widen(b, width);
    const u64 end = u64{b->head} + (u64{i} + 1) * b->unit();
    if (end > b->size) b = series_buffer::expand(b, static_cast<i64>(std::max<u64>(end - b->head, 2 * u64{b->size - b->head})));
    return b;
}

}  // namespace

u32 total_length(const Cell& value) { return units_in(node::buffer(value.w2)); }

u32 char_at_head(const Cell& value, u32 n) {
    Buffer* b = node::buffer(value.w2);
    return unicode::read_unit(b->head_ptr() + (u64{n} << b->shift()), b->unit());
}

void write_char(Node str, u32 i, u32 cp) {
    Buffer* b = room_for_char(str, i, cp);
    unicode::write_unit(b->head_ptr() + u64{i} * b->unit(), b->unit(), cp);
}

void remove_chars(const Cell& value, u32 i, u32 n) {
    Buffer* b = node::buffer(value.w2);
    const u32 total = units_in(b);
    if (i >= total) return;
    n = std::min(n, total - i);
    const u32 width = b->unit();
    u8* at = b->head_ptr() + u64{i} * width;
    std::memmove(at, at + u64{n} * width, u64{total - i - n} * width);
    b->tail -= n * width;
}

}  // namespace zel::string
