// Changing blocks: append and insert (with /part, /only and /dup), change, take, swap,
// trim, and copy with /deep and /types. The cells to insert are copied out of their block
// first, into a block of their own, so inserting a block into itself, or a hook that moves
// or empties the source, reads them intact; positions are checked again after the
// before-change notification.
#include <algorithm>
#include <cstring>
#include <utility>

#include "runtime/core/cell-views.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/hash.h"
#include "runtime/datatypes/ownership.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/runtime-words.h"
#include "runtime/text/cycle.h"

namespace zel::block {
namespace {

u32 cells_in(const Cell& b) { return node::buffer(as_series(b).node)->cell_count(); }

// The cells a value inserts: those of an any-block from its position unless `only`, else
// the value itself; at most `part` of them when part is not negative. Many cells are
// copied into a block of their own, so the block they came from may change or move while
// they are written, and an ownership hook that drops every other reference to what they
// name leaves them reachable: the held cell sits on the native stack, which the collector
// scans. A single cell, the common append, is held as it is.
class InsertCells {
public:
    InsertCells(const Cell& value, i32 part, bool only) {
        if (series::any_block(value.type()) && !only) {
            const u32 n = cells_in(value);
            const u32 from = std::min(as_series(value).index, n);
            size_ = n - from;
            if (part >= 0 && static_cast<u32>(part) < size_) size_ = static_cast<u32>(part);
            if (size_ == 0) return;
            block::make_at(&held_, static_cast<i32>(size_));
            std::memcpy(cell_at(held_, 0), cell_at(value, from), size_ * sizeof(Cell));
            set_tail(held_, size_);
        } else {
            held_ = value;
            single_ = true;
            size_ = part == 0 ? 0 : 1;
        }
    }
    InsertCells(const InsertCells&) = delete;
    InsertCells& operator=(const InsertCells&) = delete;

    // The first cell; valid until the next allocation moves the holding block.
    const Cell* data() const { return single_ ? &held_ : cell_at(held_, 0); }
    u32 size() const { return size_; }
    bool empty() const { return size_ == 0; }

private:
    Cell held_{};
    bool single_ = false;
    u32 size_ = 0;
};

// The number of cells `count` × `dup` as a series size, or internal/no-memory.
u32 checked_total(std::size_t count, i32 dup, u32 existing) {
    const u64 total = static_cast<u64>(count) * static_cast<u64>(dup);
    if (total > 0xFFFFFFFFu || (total + existing) * sizeof(Cell) > max_series_bytes) memory::raise_no_memory();
    return static_cast<u32>(total);
}

// Opens `count` cells at `at` (growing the buffer, doubled unless `exact`) and writes the
// cells repeated to fill them.
void write_cells(const Cell& b, u32 at, const InsertCells& cells, u32 count, bool exact) {
    Buffer* buf = node::buffer(as_series(b).node);
    const u64 needed = buf->used() + static_cast<u64>(count) * sizeof(Cell);
    if (buf->head + needed > buf->size)
        buf = series_buffer::expand(buf, static_cast<i64>(std::min<u64>(exact ? needed : needed * 2, max_series_bytes)));
    const memory::NoAllocation steady;
    Cell* base = reinterpret_cast<Cell*>(buf->head_ptr());
    const u32 n = buf->cell_count();
    std::memmove(base + at + count, base + at, (n - at) * sizeof(Cell));
    buf->tail += count * static_cast<u32>(sizeof(Cell));
    const Cell* source = cells.data();
    for (u32 i = 0; i < count; ++i) base[at + i] = source[i % cells.size()];
}

// The common append, one cell to a block whose buffer has room for it, with no hash!
// table to keep and no owner to tell: the cell is written at the tail. Answers false,
// having changed nothing, when any of that does not hold.
bool append_in_place(Cell& b, const Cell& value) {
    if (b.is(Type::hash)) return false;
    Buffer* buf = node::buffer(as_series(b).node);
    if (ownership::owned(buf) || !buf->room_at_tail(sizeof(Cell))) return false;
    *reinterpret_cast<Cell*>(buf->tail_ptr()) = value;
    buf->tail += sizeof(Cell);
    as_series(b).index = 0;
    return true;
}

void drop_cells(const Cell& b, u32 at, u32 count) {
    const u32 n = cells_in(b);
    if (at >= n) return;
    count = std::min(count, n - at);
    std::memmove(cell_at(b, at), cell_at(b, at + count), (n - at - count) * sizeof(Cell));
    set_tail(b, n - count);
}

// A copy of a series value for deep copies: blocks recursively, others by their copy.
Cell deep_copy(const Cell& value) {
    Cell source = value;
    Cell copied{};
    if (series::any_block(value.type())) {
        block::copy(&source, &copied, nullptr, true, nullptr);
    } else {
        series::copy(&source, &copied, nullptr, false, nullptr);
    }
    copied.header = value.header;
    return copied;
}

// insert's general path: any count of cells, repeated, anywhere, with both notifications.
// Kept out of line so that the append done in place pays none of its set-up.
[[gnu::noinline]] Cell* insert_cells(Cell* series, const Cell* value, i32 part, bool only, i32 dup, bool append) {
    const InsertCells cells(*value, part, only);
    // Nothing to insert, or a /dup count below 1: the series stays as it is.
    if (cells.empty() || dup < 1) return series;
    Cell b = *series;
    u32& index = as_series(b).index;
    index = std::min(index, cells_in(b));
    const u32 total = checked_total(cells.size(), dup, cells_in(b));
    const u32 at = append ? cells_in(b) : index;
    // The owner's hook is told the value inserted, as for strings.
    series::notify(b, append ? words::append : words::insert, static_cast<i32>(at), static_cast<i32>(total), value);
    const u32 where = append ? cells_in(b) : std::min(at, cells_in(b));
    write_cells(b, where, cells, total, dup >= 5);
    series::notify(b, append ? words::appended : words::inserted, static_cast<i32>(where), static_cast<i32>(total), value);
    index = append ? 0 : std::min(where + total, cells_in(b));
    *series = b;
    return series;
}

}  // namespace

Cell* insert(Cell* series, const Cell* value, i32 part, bool only, i32 dup, bool append) {
    if (append && dup == 1 && part != 0 && (only || !series::any_block(value->type())) &&
        append_in_place(*series, *value))
        return series;
    return insert_cells(series, value, part, only, dup, append);
}

Cell* change(Cell* series, const Cell* value, i32 part, bool only, i32 dup) {
    const InsertCells cells(*value, -1, only);
    Cell b = *series;
    u32& index = as_series(b).index;
    index = std::min(index, cells_in(b));
    const u32 total = cells.empty() || dup < 1 ? 0 : checked_total(cells.size(), dup, cells_in(b));
    series::notify(b, words::change, static_cast<i32>(index), static_cast<i32>(total));
    const u32 at = std::min(index, cells_in(b));
    const u32 left = cells_in(b) - at;
    const u32 replaced = part < 0 ? std::min(total, left) : std::min(static_cast<u32>(part), left);
    drop_cells(b, at, replaced);
    if (total) write_cells(b, at, cells, total, true);
    series::notify(b, words::changed, static_cast<i32>(at), static_cast<i32>(total));
    index = std::min(at + total, cells_in(b));
    *series = b;
    return series;
}

Cell* take(Cell* series, const Cell* part, bool deep, bool last) {
    bool single = false;
    series::take(series, part, last, &single);
    if (series->is(Type::none)) return series;
    if (deep) {
        for (u32 i = 0; i < cells_in(*series); ++i) {
            const Cell inner = *cell_at(*series, i);
            if (series::any_series(inner.type())) {
                const Cell copied = deep_copy(inner);
                *cell_at(*series, i) = copied;
            }
        }
    }
    if (single && cells_in(*series) == 1) {
        *series = *cell_at(*series, 0);
    } else {
        hash::index(*series);
    }
    return series;
}

Cell* swap(Cell* series1, Cell* series2) {
    if (!series::any_block(series2->type())) raise(ErrorId::script_invalid_arg, series2);
    series::swap_elements(*series1, *series2, [](const Cell& a, const Cell& b) {
        std::swap(*cell_at(a, as_series(a).index), *cell_at(b, as_series(b).index));
    });
    return series1;
}

Cell* trim(Cell* series, const TrimRefinements&) {
    const Cell b = *series;
    const u32 from = std::min(as_series(b).index, cells_in(b));
    series::notify(b, words::trim, static_cast<i32>(from), static_cast<i32>(cells_in(b) - from));
    u32 kept = from;
    for (u32 i = from; i < cells_in(b); ++i) {
        const Cell c = *cell_at(b, i);
        if (!c.is(Type::none)) *cell_at(b, kept++) = c;
    }
    if (kept < cells_in(b)) set_tail(b, kept);
    series::notify(b, words::trimmed, static_cast<i32>(from), static_cast<i32>(kept - from));
    return series;
}

Cell* copy(Cell* value, Cell* result, const Cell* part, bool deep, const Cell* types) {
    const Cell source = *value;
    series::copy(value, result, part, false, nullptr);
    const Cell copied = *result;
    if (types) {
        copy_nested(copied, 0, cells_in(copied), 1, *types);
    } else if (deep) {
        if (cycle::find(as_series(source).node)) {
            cycle::reset();
            raise(ErrorId::internal_no_cycle);
        }
        cycle::Entry guard(as_series(source).node);
        for (u32 i = 0; i < cells_in(copied); ++i) {
            const Cell inner = *cell_at(copied, i);
            if (!series::any_series(inner.type())) continue;
            const Cell nested = deep_copy(inner);
            *cell_at(copied, i) = nested;
        }
    }
    *result = copied;
    hash::index(*result);
    return result;
}

}  // namespace zel::block
