#include "runtime/datatypes/series-sort.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/core/raise.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/series.h"
#include "runtime/memory/node.h"
#include "runtime/names/runtime-words.h"

namespace zel::series {
namespace {

[[noreturn]] void bad_refine(const Cell* word, const Cell& arg) { raise(ErrorId::script_invalid_refine_arg, word, &arg); }

}  // namespace

SortPlan sort_plan(Cell* series, const SortRefinements& r) {
    SortPlan plan;
    const u32 length = buffer_length(*series);
    series->w1 = std::min(series->w1, length);
    i64 start = series->w1;
    i64 count = length - series->w1;
    if (r.part) {
        const i64 n = part_count(*series, *r.part);
        if (n < 0) {
            start = std::max<i64>(0, start + n);
            count = series->w1 - start;
            series->w1 = static_cast<u32>(start);
        } else {
            count = std::min(count, n);
        }
    }
    plan.start = static_cast<u32>(start);
    if (count == 0) return plan;
    if (r.skip) {
        if (!r.skip->is(Type::integer)) bad_refine(refinements::skip, *r.skip);
        const i64 n = integer::get(*r.skip);
        if (n < 1 || n > count || count % n != 0) bad_refine(refinements::skip, *r.skip);
        plan.record = static_cast<u32>(n);
    }
    if (r.all && !r.skip) raise(ErrorId::script_bad_refines);
    plan.flags = (r.reverse ? sortflag::reverse : 0) | (r.all ? sortflag::whole | (plan.record << sortflag::shift) : 0);
    if (r.compare) {
        if (r.compare->is(Type::function)) {
            plan.function = r.compare;
        } else if (r.compare->is(Type::integer)) {
            if (!r.skip || r.all) raise(ErrorId::script_bad_refines);
            const i64 field = integer::get(*r.compare);
            if (field < 1 || field > plan.record) raise(ErrorId::script_out_of_range, r.compare);
            plan.flags |= static_cast<u32>(field - 1) << sortflag::shift;
        } else {
            bad_refine(refinements::compare, *r.compare);
        }
    }
    plan.count = static_cast<u32>(count);
    return plan;
}

void sort_records(const Cell& series, const SortPlan& plan, const sort::Comparator& compare, bool stable) {
    // The owner's hook may have shortened the series: sort the records still there.
    const i64 present = std::max<i64>(static_cast<i64>(buffer_length(series)) - plan.start, 0);
    const u32 records = static_cast<u32>(std::min<i64>(plan.count, present) / plan.record);
    std::vector<u32> order(records);
    for (u32 i = 0; i < records; ++i) order[i] = i;
    if (stable) {
        sort::stable_sort(order.data(), records, sizeof(u32), compare);
    } else {
        sort::quick_sort(order.data(), records, sizeof(u32), compare);
    }
    // A comparison function may have shortened the series: only a range still whole is
    // reordered.
    Buffer* b = node::buffer(series.w2);
    const u64 record_bytes = u64{plan.record} << b->shift();
    const u64 from = u64{plan.start} << b->shift();
    if (records < 2 || from + records * record_bytes > b->used()) return;
    u8* first = b->head_ptr() + from;
    const std::vector<u8> before(first, first + records * record_bytes);
    for (u32 i = 0; i < records; ++i) std::memcpy(first + i * record_bytes, before.data() + order[i] * record_bytes, record_bytes);
}

}  // namespace zel::series
