// Sorting strings and vectors: how two records of characters (or of a vector's elements,
// by value) compare, by their units or by a comparison function. Every comparison reads its records through the string's node, as
// the sort of record numbers (series-sort.h) requires. Letters compare by their upper case
// (`unicode::fold`) unless /case, whatever the width of the units, so the order of a text
// never depends on how it is stored.
#include <cstring>
#include <utility>

#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/block.h"
#include "runtime/datatypes/series-sort.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/sort.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/datatypes/string.h"
#include "runtime/datatypes/vector.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/names/runtime-words.h"
#include "runtime/text/case-mapping.h"

namespace zel::string {
namespace {

namespace sortflag = series::sortflag;

struct SortState {
    Cell string;
    u32 start;
    u32 record;
    bool case_;
    const Cell* function;  // a function! comparison, or null
};

// The character offset of record `n`, or -1 when the string no longer holds it.
i64 record_at(const SortState& s, u32 n) {
    const u64 at = s.start + u64{n} * s.record;
    return at + s.record <= total_length(s.string) ? static_cast<i64>(at) : -1;
}

void record_pair(const void* x, const void* y, u32 flags, u32& a, u32& b) {
    std::memcpy(&a, x, sizeof a);
    std::memcpy(&b, y, sizeof b);
    if (flags & sortflag::reverse) std::swap(a, b);
}

i32 compare_records(const void* x, const void* y, i32, u32 flags, void* context) {
    const auto& s = *static_cast<const SortState*>(context);
    u32 ra, rb;
    record_pair(x, y, flags, ra, rb);
    const i64 a = record_at(s, ra);
    const i64 b = record_at(s, rb);
    if (a < 0 || b < 0) return 0;
    const bool whole = (flags & sortflag::whole) != 0;
    const u32 from = whole ? 0 : flags >> sortflag::shift;
    const u32 to = whole ? s.record : from + 1;
    for (u32 k = from; k < to; ++k) {
        if (s.string.is(Type::vector)) {
            const i32 o = vector::order(s.string, static_cast<u32>(a) + k, s.string, static_cast<u32>(b) + k);
            if (o != 0) return o;
            continue;
        }
        u32 ca = char_at_head(s.string, static_cast<u32>(a) + k);
        u32 cb = char_at_head(s.string, static_cast<u32>(b) + k);
        if (!s.case_) {
            ca = unicode::fold(ca);
            cb = unicode::fold(cb);
        }
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return 0;
}

// A record as a function sees it: its first character (a vector's element), or with /all
// a new series of it.
Cell record_value(const SortState& s, u32 at, bool whole) {
    const bool elements = s.string.is(Type::vector);
    if (!whole) return elements ? vector::element(s.string, at) : Cell{header_of(Type::char_), 0, char_at_head(s.string, at), 0};
    // A vector's copy keeps its element type; a string's its own conversion buffer.
    return Cell{header_of(s.string.type()), 0, series_buffer::copy_slice(s.string.w2, at, s.record), elements ? s.string.w3 : 0};
}

i32 compare_by_function(const void* x, const void* y, i32, u32 flags, void* context) {
    const auto& s = *static_cast<const SortState*>(context);
    u32 ra, rb;
    record_pair(x, y, 0, ra, rb);
    const i64 a = record_at(s, ra);
    const i64 b = record_at(s, rb);
    if (a < 0 || b < 0) return 0;
    const bool whole = (flags & sortflag::whole) != 0;
    const Cell first = record_value(s, static_cast<u32>(a), whole);
    const Cell second = record_value(s, static_cast<u32>(b), whole);
    const bool reverse = (flags & sortflag::reverse) != 0;
    const Cell args[2] = {reverse ? first : second, reverse ? second : first};
    return block::function_ordering(
        hooks::call(*words::tag_compare_callback, *s.function, args, 2, hooks::trace_class::sort));
}

}  // namespace

Cell* sort(Cell* series, const SortRefinements& r) {
    const series::SortPlan plan = series::sort_plan(series, r);
    if (plan.count == 0) return series;
    const Cell s = *series;
    const Cell function_value = plan.function ? *plan.function : none_cell;
    series::notify(s, words::sort, static_cast<i32>(plan.start), static_cast<i32>(plan.count));
    SortState state{s, plan.start, plan.record, r.case_, plan.function ? &function_value : nullptr};
    const sort::Comparator comparator{plan.function ? compare_by_function : compare_records, 0, plan.flags, &state};
    series::sort_records(s, plan, comparator, r.stable);
    series::notify(s, words::sorted, static_cast<i32>(plan.start), static_cast<i32>(plan.count));
    return series;
}

}  // namespace zel::string
