// The set operations over strings (unique, union, intersect, exclude, difference) on
// records of /skip characters. Records are compared whole, letters in either case alike
// unless /case, through a hash set of their characters (folded when case is ignored).
#include <algorithm>
#include <string>
#include <unordered_set>

#include "runtime/core/raise.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/datatypes/string.h"
#include "runtime/memory/node.h"
#include "runtime/names/runtime-words.h"
#include "runtime/text/case-mapping.h"

namespace zel::string {

Cell* set_op(Cell* first, const Cell* second, bool case_, i32 code, const Cell* skip) {
    u32 record = 1;
    if (skip) {
        if (!skip->is(Type::integer) || integer::get(*skip) < 1)
            raise(ErrorId::script_invalid_refine_arg, refinements::skip, skip);
        record = skip->w2;
    }
    // exclude (11) is the membership pass that keeps what the second string lacks.
    constexpr i32 unique = 8, union_ = 9, intersect = 10, difference = 12;
    Cell a = *first;
    a.w1 = std::min(a.w1, total_length(a));
    Cell b = second ? *second : a;
    b.w1 = std::min(b.w1, total_length(b));

    using Key = std::u32string;
    auto key_at = [&](const Cell& s, u32 at) {
        Key key(record, U'\0');
        for (u32 k = 0; k < record; ++k) {
            const u32 c = char_at_head(s, at + k);
            key[k] = static_cast<char32_t>(case_ ? c : unicode::fold(c));
        }
        return key;
    };
    auto records_of = [&](const Cell& s) {
        std::unordered_set<Key> keys;
        for (u64 at = s.w1; at + record <= total_length(s); at += record) keys.insert(key_at(s, static_cast<u32>(at)));
        return keys;
    };

    std::u32string taken;
    u32 width = 1;
    std::unordered_set<Key> in_result;
    // Takes each record of `from` that passes the membership test and is new.
    auto pass = [&](const Cell& from, const std::unordered_set<Key>* other, bool wanted_in_other) {
        for (u64 at = from.w1; at + record <= total_length(from); at += record) {
            const Key key = key_at(from, static_cast<u32>(at));
            if (other && (other->count(key) != 0) != wanted_in_other) continue;
            if (!in_result.insert(key).second) continue;
            for (u32 k = 0; k < record; ++k) {
                const u32 c = char_at_head(from, static_cast<u32>(at) + k);
                width = std::max(width, unicode::unit_for(c));
                taken.push_back(static_cast<char32_t>(c));
            }
        }
    };
    if (code == unique || code == union_) {
        pass(a, nullptr, true);
        if (code == union_) pass(b, nullptr, true);
    } else {
        const std::unordered_set<Key> in_b = records_of(b);
        pass(a, &in_b, code == intersect);
        if (code == difference) {
            const std::unordered_set<Key> in_a = records_of(a);
            pass(b, &in_a, false);
        }
    }

    Cell result;
    make_at_width(result, static_cast<u32>(taken.size()), width);
    Buffer* out = node::buffer(result.w2);
    for (std::size_t i = 0; i < taken.size(); ++i) unicode::write_unit(out->head_ptr() + i * width, width, taken[i]);
    out->tail = out->head + static_cast<u32>(taken.size()) * width;
    cell::set_type(&result, a.type());
    *first = result;
    return first;
}

}  // namespace zel::string
