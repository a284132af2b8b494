// Sorting strings by characters or by records of /skip characters. The sort orders an
// array of record numbers; every comparison reads its two records through the string's
// node, so a comparison function that allocates (moving the buffer) or raises leaves the
// string whole, and the permutation is applied once at the end. Letters compare by their
// upper case (`unicode::fold`) unless /case, whatever the width of the units, so the
// order of a text never depends on how it is stored.
#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/datatypes/block.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/series.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/datatypes/string.h"
#include "runtime/eval/error.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series.h"
#include "runtime/runtime-words.h"
#include "runtime/sort.h"
#include "runtime/text/case-mapping.h"

namespace zel::string {
namespace {

namespace sortflag {
constexpr u32 reverse = 1;
constexpr u32 whole = 2;
constexpr u32 shift = 2;  // the record size (whole records) or the compared character's offset
}  // namespace sortflag

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

// A record as a function sees it: its first character, or with /all a new string of it.
Cell record_value(const SortState& s, u32 at, bool whole) {
    if (!whole) return Cell{header_of(Type::char_), 0, char_at_head(s.string, at), 0};
    return Cell{header_of(s.string.type()), 0, series::copy_slice(s.string.w2, at, s.record), 0};
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
    return block::function_ordering(
        block::call_compare_function(*s.function, reverse ? first : second, reverse ? second : first));
}

[[noreturn]] void bad_refine(const Cell* word, const Cell& arg) { raise(ErrorId::script_invalid_refine_arg, word, &arg); }

}  // namespace

Cell* sort(Cell* series, const SortRefinements& r) {
    Cell s = *series;
    s.w1 = std::min(s.w1, total_length(s));
    i64 start = s.w1;
    i64 count = total_length(s) - s.w1;
    if (r.part) {
        const i64 n = series::part_count(s, *r.part);
        if (n < 0) {
            start = std::max<i64>(0, start + n);
            count = s.w1 - start;
            // A negative part sorts the characters before the position, and the result
            // starts with them.
            series->w1 = static_cast<u32>(start);
            s.w1 = series->w1;
        } else {
            count = std::min(count, n);
        }
    }
    if (count == 0) return series;
    u32 record = 1;
    if (r.skip) {
        if (!r.skip->is(Type::integer)) bad_refine(refinements::skip, *r.skip);
        const i64 n = integer::get(*r.skip);
        if (n < 1 || n > count || count % n != 0) bad_refine(refinements::skip, *r.skip);
        record = static_cast<u32>(n);
    }
    if (r.all && !r.skip) raise(ErrorId::script_bad_refines);
    u32 flags = (r.reverse ? sortflag::reverse : 0) | (r.all ? sortflag::whole | (record << sortflag::shift) : 0);
    const Cell* function = nullptr;
    if (r.compare) {
        if (r.compare->is(Type::function)) {
            if (!block::call_compare_function) raise(ErrorId::internal_not_done);
            function = r.compare;
        } else if (r.compare->is(Type::integer)) {
            if (!r.skip || r.all) raise(ErrorId::script_bad_refines);
            const i64 field = integer::get(*r.compare);
            if (field < 1 || field > record) raise(ErrorId::script_out_of_range, r.compare);
            flags |= static_cast<u32>(field - 1) << sortflag::shift;
        } else {
            bad_refine(refinements::compare, *r.compare);
        }
    }
    const Cell function_value = function ? *function : none_cell;

    series::notify(s, words::sort, static_cast<i32>(start), static_cast<i32>(count));
    // The hook may have shortened the string: sort the records still there.
    const i64 present = std::max<i64>(total_length(s) - start, 0);
    const u32 records = static_cast<u32>(std::min(count, present) / record);
    SortState state{s, static_cast<u32>(start), record, r.case_, function ? &function_value : nullptr};
    std::vector<u32> order(records);
    for (u32 i = 0; i < records; ++i) order[i] = i;
    const sort::Comparator comparator{function ? compare_by_function : compare_records, 0, flags, &state};
    if (r.stable) {
        sort::stable_sort(order.data(), records, sizeof(u32), comparator);
    } else {
        sort::quick_sort(order.data(), records, sizeof(u32), comparator);
    }
    // A comparison function may have shortened the string: only a range still whole is
    // reordered.
    Buffer* b = node::buffer(s.w2);
    const u32 unit = b->unit();
    const u64 bytes = u64{records} * record * unit;
    if (records > 1 && u64(start) * unit + bytes <= b->used()) {
        u8* first = b->head_ptr() + static_cast<u64>(start) * unit;
        const std::vector<u8> before(first, first + bytes);
        const u64 record_bytes = u64{record} * unit;
        for (u32 i = 0; i < records; ++i)
            std::memcpy(first + i * record_bytes, before.data() + order[i] * record_bytes, record_bytes);
    }
    series::notify(s, words::sorted, static_cast<i32>(start), static_cast<i32>(count));
    return series;
}

}  // namespace zel::string
