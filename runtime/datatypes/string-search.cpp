#include "runtime/datatypes/string-search.h"

#include "runtime/datatypes/action-signatures.h"
#include "runtime/datatypes/string-compare.h"
#include "runtime/datatypes/string-storage.h"
#include "runtime/memory/node.h"
#include "runtime/text/case-mapping.h"

namespace zel::string {

i32 find_char(const Cell& str, u32 cp) {
    const unicode::Units units = units_from_position(str);
    for (u32 i = 0; i < units.count; ++i)
        if (unit_at(units, i) == cp) return static_cast<i32>(i);
    return -1;
}

bool contains_char(const Cell& str, u32 cp, i32 record_size, bool case_sensitive) {
    const unicode::Units units = units_from_position(str);
    const u32 step = record_size < 1 ? 1 : static_cast<u32>(record_size);
    const u32 key = case_sensitive ? cp : unicode::fold(cp);
    for (u64 i = 0; i < units.count; i += step) {
        const u32 c = unit_at(units, static_cast<u32>(i));
        if ((case_sensitive ? c : unicode::fold(c)) == key) return true;
    }
    return false;
}

bool starts_with_cstring(const Cell& str, const char* bytes) {
    const unicode::Units units = units_from_position(str);
    for (u32 i = 0; bytes[i] != '\0'; ++i)
        if (i >= units.count || unit_at(units, i) != static_cast<u8>(bytes[i])) return false;
    return true;
}

bool char_in_bitset(const Cell& str, const Cell& bitset) {
    const unicode::Units units = units_from_position(str);
    if (units.count == 0) return false;
    return in_bitset(bitset, unit_at(units, 0));
}

bool in_bitset(const Cell& bitset, u32 c) {
    Buffer* bits = node::buffer(bitset.w2);
    if (c >> 3 >= bits->used()) return (bits->flags & bufferflag::complemented) != 0;
    return (bits->head_ptr()[c >> 3] & (0x80u >> (c & 7))) != 0;
}

bool tag_brackets_at(const Cell& str, const Cell& tag) {
    const u64 closing = u64{units_from_position(tag).count} + 1;
    const unicode::Units units = units_from_position(str);
    return closing < units.count && unit_at(units, 0) == '<' && unit_at(units, static_cast<u32>(closing)) == '>';
}

bool match_at(const Cell& str, const Cell& value, i32 code) {
    switch (value.type()) {
    case Type::string:
    case Type::file:
    case Type::url:
    case Type::email:
    case Type::ref:
        return compare_values(str, value, code, true) == 0;
    case Type::char_: {
        const unicode::Units units = units_from_position(str);
        if (units.count == 0) return false;
        const u32 c = unit_at(units, 0);
        if (code == compare_code::strict_equal) return c == value.w2;
        return unicode::fold(c) == unicode::fold(value.w2);
    }
    case Type::tag: {
        if (!tag_brackets_at(str, value)) return false;
        Cell inside = str;
        ++inside.w1;
        return compare_values(inside, value, code, true) == 0;
    }
    default:
        return false;
    }
}

}  // namespace zel::string
