// Hashing of keys: every value that compares equal under the weakest equality a table
// looks up with hashes alike (strings fold case as comparison does, words hash by
// canonical symbol, floats treat 0.0 and -0.0 as one key).
#include <cstring>
#include <vector>

#include "runtime/core/hooks.h"
#include "runtime/core/type-families.h"
#include "runtime/hash/hashtable.h"
#include "runtime/hash/murmur3.h"
#include "runtime/memory/node.h"
#include "runtime/text/case-mapping.h"
#include "runtime/text/string-units.h"

namespace zel::hashtable {
namespace {

// Any fixed value serves: hashes are never stored.
constexpr u32 process_seed = 0x5A17E1D3;

constexpr u32 money_sign = 0x4000;
constexpr u32 float32_negative_zero = 0x80000000;

u32 hash_words(const Cell& c, u32 first, u32 count) {
    const u32 words[3] = {c.w1, c.w2, c.w3};
    return murmur3_bytes(words + (first - 1), count * 4);
}

// Points keep 32-bit float components; -0.0 equals 0.0.
u32 hash_float32_words(const Cell& c, u32 count) {
    u32 words[3] = {c.w1, c.w2, c.w3};
    for (u32& w : words)
        if (w == float32_negative_zero) w = 0;
    return murmur3_bytes(words, count * 4);
}

u32 hash_double(const Cell& c) {
    u32 words[2] = {c.w2, c.w3};
    double d;
    std::memcpy(&d, words, sizeof d);
    if (d == 0.0) words[0] = words[1] = 0;
    return murmur3_bytes(words, sizeof words);
}

u32 hash_money(const Cell& c) {
    Cell copy = c;
    copy.header &= cellflag::type_mask | money_sign;
    const bool zero = (copy.w1 & 0xFFFFFF00) == 0 && copy.w2 == 0 && copy.w3 == 0;
    if (zero) copy.header &= ~money_sign;
    return murmur3_bytes(&copy, sizeof copy);
}

// All 12 payload bytes, whatever the count: the bytes past it are zero, so the tuples that
// compare equal (1.2.3 and 1.2.3.0) hash alike and a search through a table finds what a
// search of the block finds.
u32 hash_tuple(const Cell& c) {
    const u32 words[3] = {c.w1, c.w2, c.w3};
    return murmur3_bytes(words, sizeof words);
}

u32 hash_binary(const Cell& c) {
    Buffer* b = node::buffer(c.w2);
    const u32 used = b->used();
    const u32 at = c.w1 < used ? c.w1 : used;
    return murmur3_bytes(b->head_ptr() + at, used - at);
}

u32 hash_symbol(const Cell& c) {
    Buffer* name = node::buffer(c.w3);
    return hash_name(name->head_ptr(), name->used());
}

}  // namespace

u32 murmur3_bytes(const void* data, std::size_t length) { return murmur3::hash(data, length, process_seed); }

u32 mix32(u32 value) { return murmur3::fmix32(value); }

u32 hash_name(const u8* name, u32 length) {
    u8 small[256] = {};
    std::vector<u8> large;
    u8* lowered = small;
    if (length > sizeof small) {
        large.resize(length);
        lowered = large.data();
    }
    for (u32 i = 0; i < length; ++i) lowered[i] = name[i] >= 'A' && name[i] <= 'Z' ? name[i] | 0x20 : name[i];
    return murmur3_bytes(lowered, length);
}

u32 hash_string(const Cell& str, bool strict) {
    const unicode::Units u = unicode::units_of(str, -1);
    std::vector<u32> code_points(u.count);
    for (u32 i = 0; i < u.count; ++i) {
        const u32 cp = unicode::read_unit(u.start + i * u.unit, u.unit);
        code_points[i] = strict ? cp : unicode::fold(cp);
    }
    return murmur3_bytes(code_points.data(), std::size_t{u.count} * 4);
}

u32 hash_cell(const Cell& value, bool case_sensitive) {
    // A family's members hash by the family's rule.
    const Type t = value.type();
    if (in_family(t, family::any_string)) return hash_string(value, case_sensitive);
    if (in_family(t, family::any_block)) return hash_words(value, 1, 2);
    if (in_family(t, family::all_word)) return mix32(hooks::canonical_symbol(value.w2));
    switch (t) {
    case Type::datatype:
    case Type::logic:
    case Type::object:
    case Type::error:
    case Type::port:
        return mix32(value.w1);
    case Type::unset:
        return static_cast<u32>(-2);
    case Type::none:
        return static_cast<u32>(-1);
    case Type::image:
        return hash_words(value, 1, 2);
    case Type::point2d:
        return hash_float32_words(value, 2);
    case Type::point3d:
        return hash_float32_words(value, 3);
    case Type::char_:
    case Type::integer:
        return (mix32(value.w2 >> 4) << 4) | (value.w2 & 15);
    case Type::map:
    case Type::handle:
    case Type::event:
        return mix32(value.w2);
    case Type::pair:
        return hash_words(value, 2, 2);
    case Type::float_:
    case Type::percent:
    case Type::time:
        return hash_double(value);
    case Type::symbol:
        return hash_symbol(value);
    case Type::native:
    case Type::action:
        return mix32(value.w3);
    case Type::op:
    case Type::function:
    case Type::triple:
    case Type::typeset:
    case Type::date:
        return hash_words(value, 1, 3);
    case Type::tuple:
        return hash_tuple(value);
    case Type::binary:
        return hash_binary(value);
    case Type::money:
        return hash_money(value);
    default:
        return 0;
    }
}

}  // namespace zel::hashtable
