// The part of `sort` every series shares: reading its refinements into the range and the
// records to sort, and ordering the records through an array of record numbers, so that a
// comparison that allocates (moving the buffer) or raises leaves the series whole; the
// permutation is applied once, at the end, to records that are all still there.
#pragma once
#include "runtime/datatypes/action-signatures.h"
#include "runtime/datatypes/sort.h"

namespace zel::series {

// The flags word of a record comparison.
namespace sortflag {
constexpr u32 reverse = 1;
constexpr u32 whole = 2;  // compare whole records
constexpr u32 shift = 2;  // the record size (whole records) or the compared unit's offset
}  // namespace sortflag

struct SortPlan {
    u32 start = 0;   // the first unit sorted
    u32 count = 0;   // units to sort; 0 when there is nothing to do
    u32 record = 1;  // units per record
    u32 flags = 0;
    const Cell* function = nullptr;  // a function! comparison (the /compare cell), or null
};

// Reads sort's /part, /skip, /all, /compare and /reverse against the series, raising as
// `sort` does. A negative /part has already moved the series' position back to the start
// of the range when it returns.
SortPlan sort_plan(Cell* series, const SortRefinements& refinements);

// Orders the plan's records (compared as pointers to u32 record numbers from 0), stably
// with `stable`, and rearranges the series' units.
void sort_records(const Cell& series, const SortPlan& plan, const sort::Comparator& compare, bool stable);

}  // namespace zel::series
