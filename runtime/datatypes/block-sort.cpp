// Sorting blocks. The sort orders an array of record numbers, never the cells themselves:
// every comparison reads its two records through the block's node, so a comparison
// function that allocates (moving the buffer) or raises leaves the block whole. The
// permutation is applied once, at the end, to the records that are still there.
#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/datatypes/block.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series.h"
#include "runtime/eval/error.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series.h"
#include "runtime/runtime-words.h"
#include "runtime/sort.h"

namespace zel::block {
namespace {

namespace sortflag {
constexpr u32 reverse = 1;
constexpr u32 whole = 2;
constexpr u32 shift = 2;  // the record size (whole records) or the field offset
}  // namespace sortflag

u32 cells_in(const Cell& b) { return node::buffer(b.w2)->used() / sizeof(Cell); }

struct SortState {
    Cell block;
    u32 start;
    u32 record;
    const Cell* function;  // a function! comparison, or null
};

// The first cell of record `n`, or null when the block no longer holds it.
const Cell* record_at(const SortState& s, u32 n) {
    const u64 at = s.start + static_cast<u64>(n) * s.record;
    return at + s.record <= cells_in(s.block) ? cell_at(s.block, static_cast<u32>(at)) : nullptr;
}

i32 compare_pair(const Cell& a, const Cell& b, i32 code) {
    const sig::on_compare compare_action = actions_of(a).on_compare;
    const i32 r = compare_action ? compare_action(&a, &b, code) : not_comparable;
    return r == not_comparable ? static_cast<i32>(a.type()) - static_cast<i32>(b.type()) : r;
}

i32 compare_records(const void* x, const void* y, i32 code, u32 flags, void* context) {
    const auto& s = *static_cast<const SortState*>(context);
    u32 rx, ry;
    std::memcpy(&rx, x, sizeof rx);
    std::memcpy(&ry, y, sizeof ry);
    if (flags & sortflag::reverse) std::swap(rx, ry);
    const bool whole = (flags & sortflag::whole) != 0;
    const u32 from = whole ? 0 : flags >> sortflag::shift;
    const u32 to = whole ? flags >> sortflag::shift : from + 1;
    for (u32 k = from; k < to; ++k) {
        const Cell* a = record_at(s, rx);
        const Cell* b = record_at(s, ry);
        if (!a || !b) return 0;
        const Cell first = a[k];
        const Cell second = b[k];
        const i32 r = compare_pair(first, second, code);
        if (r != 0) return r;
    }
    return 0;
}

Cell record_value(const SortState& s, u32 n, bool whole) {
    const Cell* first = record_at(s, n);
    if (!first) return none_cell;
    if (!whole) return *first;
    const u32 at = static_cast<u32>(first - cell_at(s.block, 0));
    return Cell{header_of(Type::block), 0, series::copy_slice(s.block.w2, at, s.record), 0};
}

i32 compare_by_function(const void* x, const void* y, i32, u32 flags, void* context) {
    const auto& s = *static_cast<const SortState*>(context);
    u32 rx, ry;
    std::memcpy(&rx, x, sizeof rx);
    std::memcpy(&ry, y, sizeof ry);
    if (!record_at(s, rx) || !record_at(s, ry)) return 0;
    const bool whole = (flags & sortflag::whole) != 0;
    Cell a = record_value(s, rx, whole);
    Cell b = record_value(s, ry, whole);
    if (!(flags & sortflag::reverse)) std::swap(a, b);
    return function_ordering(call_compare_function(*s.function, a, b));
}

[[noreturn]] void bad_refine(const Cell* word, const Cell& arg) {
    raise(ErrorId::script_invalid_refine_arg, word ? word : &unset_cell, &arg);
}

}  // namespace

i32 function_ordering(const Cell& answer) {
    switch (answer.type()) {
    case Type::logic: return answer.w1 ? 1 : -1;
    case Type::integer: {
        const i32 v = static_cast<i32>(answer.w2);
        return v > 0 ? -1 : v < 0 ? 1 : 0;
    }
    case Type::float_: {
        double d;
        std::memcpy(&d, reinterpret_cast<const char*>(&answer) + 8, sizeof d);
        return d > 0.0 ? -1 : d < 0.0 ? 1 : 0;
    }
    case Type::none: return -1;
    default: return 1;
    }
}

Cell* sort(Cell* series, const SortRefinements& r) {
    Cell b = *series;
    b.w1 = std::min(b.w1, cells_in(b));
    i64 start = b.w1;
    i64 count = cells_in(b) - b.w1;
    if (r.part) {
        const i64 n = series::part_count(b, *r.part);
        if (n < 0) {
            start = std::max<i64>(0, start + n);
            count = b.w1 - start;
        } else {
            count = std::min(count, n);
        }
    }
    if (count == 0) return series;
    u32 record = 1;
    if (r.skip) {
        if (!r.skip->is(Type::integer)) bad_refine(refinements::skip, *r.skip);
        const i64 n = static_cast<i32>(r.skip->w2);
        if (n < 1 || n > count || count % n != 0) bad_refine(refinements::skip, *r.skip);
        record = static_cast<u32>(n);
    }
    if (r.all && !r.skip) raise(ErrorId::script_bad_refines);
    u32 flags = (r.reverse ? sortflag::reverse : 0) | (r.all ? sortflag::whole | (record << sortflag::shift) : 0);
    const Cell* function = nullptr;
    if (r.compare) {
        if (r.compare->is(Type::function)) {
            if (!call_compare_function) raise(ErrorId::internal_not_done);
            function = r.compare;
        } else if (r.compare->is(Type::integer)) {
            if (!r.skip || r.all) raise(ErrorId::script_bad_refines);
            const i64 field = static_cast<i32>(r.compare->w2);
            if (field < 1 || field > record) raise(ErrorId::script_out_of_range, r.compare);
            flags |= static_cast<u32>(field - 1) << sortflag::shift;
        } else {
            bad_refine(refinements::compare, *r.compare);
        }
    }
    const Cell function_value = function ? *function : none_cell;
    b.w1 = static_cast<u32>(start);
    *series = b;

    series::notify(b, words::sort, static_cast<i32>(start), static_cast<i32>(count));
    const u32 records = static_cast<u32>(std::min<i64>(count, std::max<i64>(cells_in(b) - start, 0)) / record);
    SortState state{b, static_cast<u32>(start), record, function ? &function_value : nullptr};
    std::vector<u32> order(records);
    for (u32 i = 0; i < records; ++i) order[i] = i;
    const sort::Comparator comparator{function ? compare_by_function : compare_records,
                                      r.case_ ? compare_code::case_sort : compare_code::sort, flags, &state};
    if (r.stable) {
        sort::stable_sort(order.data(), records, sizeof(u32), comparator);
    } else {
        sort::quick_sort(order.data(), records, sizeof(u32), comparator);
    }
    // A comparison function may have shortened the block: only a range still whole is
    // reordered.
    if (records > 1 && start + static_cast<u64>(records) * record <= cells_in(b)) {
        const Cell* first = cell_at(b, static_cast<u32>(start));
        const std::vector<Cell> before(first, first + static_cast<std::size_t>(records) * record);
        Cell* out = cell_at(b, static_cast<u32>(start));
        for (u32 i = 0; i < records; ++i)
            std::memcpy(out + static_cast<std::size_t>(i) * record, before.data() + static_cast<std::size_t>(order[i]) * record,
                        record * sizeof(Cell));
    }
    series::notify(b, words::sorted, static_cast<i32>(start), static_cast<i32>(count));
    return series;
}

}  // namespace zel::block
