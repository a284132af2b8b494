// Comparison of the one-value types (unset!, none!, logic!): two values of the type relate
// only under the equality, sort and identity codes; orderings do not apply.
#pragma once
#include "runtime/datatypes/action-signatures.h"

namespace zel {

inline bool unit_type_relates_under(i32 code) {
    switch (code) {
    case compare_code::equal:
    case compare_code::not_equal:
    case compare_code::strict_equal:
    case compare_code::sort:
    case compare_code::case_sort:
    case compare_code::same:
    case compare_code::find:
        return true;
    default:
        return false;
    }
}

}  // namespace zel
