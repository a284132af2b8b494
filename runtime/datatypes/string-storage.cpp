#include "runtime/datatypes/string-storage.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

// Inserts the n characters before character i (cut to the tail), widening for the widest.
void insert_chars(Node str, u32 i, const u32* chars, u32 n) {
    if (n == 0) return;
    Buffer* b = node::buffer(str);
    u32 width = b->unit();
    for (u32 k = 0; k < n; ++k) width = std::max(width, unicode::unit_for(chars[k]));
    if (width > b->unit()) b = unicode::widen(b, width);
    const u64 needed = u64{b->tail} + u64{n} * width;
    if (needed > b->size) b = series_buffer::expand(b, static_cast<i64>(2 * (needed - b->head)));
    i = std::min(i, units_in(b));
    u8* at = b->head_ptr() + u64{i} * width;
    std::memmove(at + u64{n} * width, at, u64{units_in(b) - i} * width);
    for (u32 k = 0; k < n; ++k) unicode::write_unit(at + u64{k} * width, width, chars[k]);
    b->tail += n * width;
}

}  // namespace

u32 length(Cell& value) {
    const u32 total = total_length(value);
    if (value.w1 > total) value.w1 = total;
    return total - value.w1;
}

u32 total_length(const Cell& value) { return units_in(node::buffer(value.w2)); }

bool at_tail(const Cell& value) { return value.w1 >= total_length(value); }

u32 char_at_head(const Cell& value, u32 n) {
    Buffer* b = node::buffer(value.w2);
    return unicode::read_unit(b->head_ptr() + (u64{n} << b->shift()), b->unit());
}

void reset(Cell& value) {
    Buffer* b = node::buffer(value.w2);
    b->flags = (b->flags & ~bufferflag::unit_mask) | 1;
    b->tail = b->head;
    value.w1 = 0;
}

void advance(Cell& value, i32 n) {
    const i64 total = total_length(value);
    value.w1 = static_cast<u32>(std::clamp<i64>(i64{std::min<i64>(value.w1, total)} + n, 0, total));
}

void poke_char_at(Node str, u32 i, u32 cp) {
    Buffer* b = room_for_char(str, i, cp);
    const u32 width = b->unit();
    u8* at = b->head_ptr() + u64{i} * width;
    if (at >= b->tail_ptr()) {
        std::memset(b->tail_ptr(), 0, static_cast<std::size_t>(at - b->tail_ptr()));
        b->tail = static_cast<u32>(at + width - b->data());
    }
    unicode::write_unit(at, width, cp);
}

void write_char(Node str, u32 i, u32 cp) {
    Buffer* b = room_for_char(str, i, cp);
    unicode::write_unit(b->head_ptr() + u64{i} * b->unit(), b->unit(), cp);
}

void insert_char_at(Node str, u32 i, u32 cp) { insert_chars(str, i, &cp, 1); }

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

void move_chars(const Cell& source, const Cell& destination, u32 n) {
    const Buffer* s = node::buffer(source.w2);
    const u32 from = std::min(source.w1, units_in(s));
    n = std::min(n, units_in(s) - from);
    u32 to = std::min(destination.w1, total_length(destination));
    const bool same_series = source.w2 == destination.w2;
    if (n == 0 || (same_series && to > from && to < from + n)) return;
    std::vector<u32> chars(n);
    for (u32 k = 0; k < n; ++k) chars[k] = char_at_head(source, from + k);
    remove_chars(source, from, n);
    if (same_series && to >= from + n) to -= n;
    insert_chars(destination.w2, to, chars.data(), n);
}

Node copy_widening(Node source, u32 start, u32 count, Node target, u32 at, bool set_tail) {
    const u32 total = units_in(node::buffer(source));
    start = std::min(start, total);
    count = std::min(count, total - start);
    const u32 widest = node::buffer(source)->unit();
    if (target == 0) {
        target = memory::alloc_units(count, widest);
        at = 0;
    }
    Buffer* t = node::buffer(target);
    if (t->unit() < widest) t = unicode::widen(t, widest);
    const u32 width = t->unit();
    at = std::min(at, units_in(t));
    const u64 end = u64{t->head} + (u64{at} + count) * width;
    if (end > t->size) t = series_buffer::expand(t, static_cast<i64>(end - t->head));
    Buffer* s = node::buffer(source);
    const u32 source_width = s->unit();
    const u8* from = s->head_ptr() + u64{start} * source_width;
    u8* to = t->head_ptr() + u64{at} * width;
    for (u32 k = 0; k < count; ++k)
        unicode::write_unit(to + u64{k} * width, width, unicode::read_unit(from + u64{k} * source_width, source_width));
    if (set_tail) t->tail = t->head + (at + count) * width;
    return target;
}

void swap_regions(Node str, u32 start, u32 first, u32 second) {
    Buffer* b = node::buffer(str);
    const u32 total = units_in(b);
    start = std::min(start, total);
    first = std::min(first, total - start);
    second = std::min(second, total - start - first);
    const u32 width = b->unit();
    u8* at = b->head_ptr() + u64{start} * width;
    std::rotate(at, at + u64{first} * width, at + (u64{first} + second) * width);
}

}  // namespace zel::string
