// Sorting blocks: how two records of cells compare, by their cells' own comparison or by a
// comparison function. Every comparison reads its records through the block's node, as
// the sort of record numbers (series-sort.h) requires.
#include <cstring>
#include <utility>

#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/registry.h"
#include "runtime/datatypes/series-sort.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/sort.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/runtime-words.h"

namespace zel::block {
namespace {

namespace sortflag = series::sortflag;

u32 cells_in(const Cell& b) { return node::buffer(b.w2)->cell_count(); }

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
    const i32 r = compare_result(a, b, code);
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
    return Cell{header_of(Type::block), 0, series_buffer::copy_slice(s.block.w2, at, s.record), 0};
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
    const Cell args[2] = {a, b};
    return function_ordering(hooks::call(*words::tag_compare_callback, *s.function, args, 2, hooks::trace_class::sort));
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
    const series::SortPlan plan = series::sort_plan(series, r);
    if (plan.count == 0) return series;
    const Cell b = *series;
    const Cell function_value = plan.function ? *plan.function : none_cell;
    series::notify(b, words::sort, static_cast<i32>(plan.start), static_cast<i32>(plan.count));
    SortState state{b, plan.start, plan.record, plan.function ? &function_value : nullptr};
    const sort::Comparator comparator{plan.function ? compare_by_function : compare_records,
                                      r.case_ ? compare_code::case_sort : compare_code::sort, plan.flags, &state};
    series::sort_records(b, plan, comparator, r.stable);
    series::notify(b, words::sorted, static_cast<i32>(plan.start), static_cast<i32>(plan.count));
    return series;
}

}  // namespace zel::block
