// In-place sorting of raw arrays of fixed-size records through a caller's comparison:
// a stable, run-adaptive merge sort and an unstable quicksort steered by sorted samples.
// Whatever the comparator does (even raise), the array stays a permutation of its records:
// records are only ever exchanged, and merge scratch is written back when a merge unwinds.
#pragma once
#include <cstddef>

#include "runtime/core/cell.h"

namespace zel::sort {

// Negative when a sorts before b, 0 when equal, positive when after. `operation` and
// `flags` are passed through unchanged; `context` is the caller's.
using Compare = i32 (*)(const void* a, const void* b, i32 operation, u32 flags, void* context);

struct Comparator {
    Compare compare;
    i32 operation = 0;
    u32 flags = 0;
    void* context = nullptr;
    i32 operator()(const void* a, const void* b) const { return compare(a, b, operation, flags, context); }
};

// Exchanges two records: 32 bits at a time unless `bytewise`.
void swap(void* a, void* b, std::size_t size, bool bytewise);

// Stable. Its merge scratch (n / 2 records) comes from the tracked heap: a byte size that
// does not fit 32 bits raises script/too-long.
void stable_sort(void* base, std::size_t n, std::size_t size, const Comparator& compare);
// Not stable; needs no heap memory.
void quick_sort(void* base, std::size_t n, std::size_t size, const Comparator& compare);

}  // namespace zel::sort
