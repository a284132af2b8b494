#include "runtime/datatypes/string-compare.h"

#include "runtime/datatypes/action-signatures.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/text/case-mapping.h"

namespace zel::string {

namespace {

// The codes under which texts of different lengths are simply unequal.
constexpr bool equality_only(i32 code) {
    return code == compare_code::equal || code == compare_code::not_equal || code == compare_code::strict_equal ||
           code == compare_code::find;
}

constexpr i32 sign(i64 v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

}  // namespace

i32 compare_values(const Cell& value1, const Cell& value2, i32 code, bool match) {
    const Cell text1 = text_of(value1);
    const Cell text2 = text_of(value2);
    // Two symbols are the same by their name series: a string form may be made per call.
    const bool same = value1.is(Type::symbol) && value2.is(Type::symbol)
                          ? value1.w3 == value2.w3
                          : text1.w2 == text2.w2 && text1.w1 == text2.w1;
    if (code == compare_code::same) return same ? 0 : -1;
    if (same && equality_only(code)) return 0;

    // Both texts are read from here on without allocating, so the spans stay valid.
    const unicode::Units units1 = units_from_position(text1);
    const unicode::Units units2 = units_from_position(text2);
    const u32 length1 = units1.count;
    const u32 length2 = units2.count;
    u32 compared = length2;
    if (match) {
        if (length2 == 0) return code == compare_code::find ? 1 : 0;
        if (length2 > length1) return 1;
    } else if (length1 != length2) {
        if (equality_only(code) || length2 == 0) return 1;
        if (length2 > length1) compared = length1;
    } else if (length1 == 0) {
        return 0;
    }
    if (length1 == 0) return -1;

    const bool fold = code != compare_code::strict_equal && code != compare_code::case_sort;
    u32 c1 = 0;
    u32 c2 = 0;
    for (u32 i = 0; i < compared; ++i) {
        c1 = unit_at(units1, i);
        c2 = unit_at(units2, i);
        if (fold) {
            c1 = unicode::fold(c1);
            c2 = unicode::fold(c2);
        }
        if (c1 != c2) break;
    }
    if (c1 == c2) return match ? 0 : sign(i64{length1} - length2);
    return c1 < c2 ? -1 : 1;
}

}  // namespace zel::string
