// The comparison codes: what a comparison asks of two values. Every `compare`
// implementation, the comparison natives and the hash tables' key matching speak them.
#pragma once
#include "runtime/core/cell.h"

namespace zel {

// Comparison codes every `compare` implementation receives.
namespace compare_code {
constexpr i32 equal = 0;
constexpr i32 not_equal = 1;
constexpr i32 strict_equal = 2;
constexpr i32 lesser = 3;
constexpr i32 lesser_or_equal = 4;
constexpr i32 greater = 5;
constexpr i32 greater_or_equal = 6;
constexpr i32 sort = 7;
constexpr i32 case_sort = 8;
constexpr i32 same = 9;
constexpr i32 equality_10 = 10;
constexpr i32 equality_11 = 11;
constexpr i32 find = 12;

// The codes that only ask whether two values are equal or the same.
constexpr bool asks_equality(i32 code) {
    return code == equal || code == not_equal || code == strict_equal || code == same || code == find;
}
// The codes under which values of a type without an order still relate: equality and the
// sort orders (equal values sort together).
constexpr bool asks_equality_or_sort(i32 code) { return asks_equality(code) || code == sort || code == case_sort; }
// The codes that ask for an order: values that cannot be ordered raise under them.
constexpr bool asks_order(i32 code) { return code >= lesser && code <= case_sort; }
}  // namespace compare_code

// What `compare` answers for values that have no relation under the code asked.
constexpr i32 not_comparable = -2;

// The truth of comparison `code` given an ordering result: the equality codes hold on 0,
// not-equal on anything else, the orderings by the result's sign, the sort orders when
// value1 sorts first. A not_comparable result is unequal here; callers that order must
// reject it first.
[[gnu::always_inline]] constexpr bool ordering_truth(i32 result, i32 code) {
    switch (code) {
    case compare_code::not_equal: return result != 0;
    case compare_code::lesser: return result < 0;
    case compare_code::lesser_or_equal: return result < 1;
    case compare_code::greater: return result >= 1;
    case compare_code::greater_or_equal: return result >= 0;
    case compare_code::sort:
    case compare_code::case_sort: return result < 0;
    default: return result == 0;
    }
}

}  // namespace zel
