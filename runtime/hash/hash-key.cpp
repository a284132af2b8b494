// Hashing of keys: every value that compares equal under the weakest equality a table
// looks up with hashes alike (strings fold case as comparison does, words hash by
// canonical symbol, numbers of any type by their value, dates by their instant, pairs and
// points by their components).
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "runtime/core/date-word.h"
#include "runtime/core/hooks.h"
#include "runtime/core/money-word.h"
#include "runtime/core/type-families.h"
#include "runtime/hash/hashtable.h"
#include "runtime/hash/murmur3.h"
#include "runtime/memory/node.h"
#include "runtime/text/case-mapping.h"
#include "runtime/text/string-units.h"

namespace zel::hashtable {
namespace {

// Any fixed value serves: hashes live only in the tables of one process, never saved.
constexpr u32 process_seed = 0x5A17E1D3;

u32 hash_words(const Cell& c, u32 first, u32 count) {
    const u32 words[3] = {c.w1, c.w2, c.w3};
    return murmur3_bytes(words + (first - 1), count * 4);
}

bool integral_i32(double d) { return d >= -2147483648.0 && d <= 2147483647.0 && d == std::trunc(d); }

// An integer! (and a char!) hashes as the mix of its value without its low three bits,
// which then stay its hash's low bits: eight consecutive integers take neighbouring
// buckets, whose slots share a cache line, so that a run of consecutive keys, the common
// case, reads one line of the table per eight keys, while runs of eight land at random
// like any other keys. Every number that = relates to an integer goes through here, so
// the two can never disagree.
u32 hash_integer(u32 value) { return (mix32(value >> 3) << 3) | (value & 7); }

// A whole number hashes as the integer! of that value does (so 0.0 and -0.0 are one key).
u32 hash_number(double d) {
    if (integral_i32(d)) return hash_integer(static_cast<u32>(static_cast<i32>(d)));
    return murmur3_bytes(&d, sizeof d);
}

// Whole components hash as a pair! of them does.
u32 hash_components(const KeyValue& k) {
    if (std::all_of(k.part, k.part + k.count, integral_i32)) {
        i32 whole[3];
        for (u32 i = 0; i < k.count; ++i) whole[i] = static_cast<i32>(k.part[i]);
        return murmur3_bytes(whole, k.count * 4);
    }
    return murmur3_bytes(k.part, k.count * sizeof(double));
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

KeyValue key_value(const Cell& c) {
    switch (c.type()) {
    case Type::integer:
    case Type::char_:
        return {KeyValue::number, 1, {static_cast<double>(static_cast<i32>(c.w2))}};
    case Type::float_:
    case Type::percent:
    case Type::time:
        return {KeyValue::number, 1, {float_payload(c)}};
    case Type::money:
        return {KeyValue::number, 1, {money_word::to_double(c)}};
    case Type::date:
        return {KeyValue::instant, 1,
                {static_cast<double>(date_word::day_number(c.w1)) * 86400 + float_payload(c)}};
    case Type::pair:
        return {KeyValue::plane, 2, {static_cast<double>(as_pair(c).x), static_cast<double>(as_pair(c).y)}};
    case Type::point2d:
        return {KeyValue::plane, 2, {std::bit_cast<float>(c.w1), std::bit_cast<float>(c.w2)}};
    case Type::point3d:
        return {KeyValue::space, 3,
                {std::bit_cast<float>(c.w1), std::bit_cast<float>(c.w2), std::bit_cast<float>(c.w3)}};
    default:
        return {};
    }
}

bool same_key_value(const Cell& a, const Cell& b) {
    const KeyValue x = key_value(a), y = key_value(b);
    if (x.kind == KeyValue::other || x.kind != y.kind) return true;
    return std::equal(x.part, x.part + x.count, y.part);
}

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
    const Type t = value.type();
    // The most common key first, before the family tests.
    if (t == Type::integer) return hash_integer(value.w2);
    // A family's members hash by the family's rule.
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
    case Type::char_:
    case Type::integer:
        return hash_integer(value.w2);
    case Type::map:
    case Type::handle:
    case Type::event:
        return mix32(value.w2);
    case Type::float_:
    case Type::percent:
    case Type::time:
    case Type::money:
    case Type::date:
        return hash_number(key_value(value).part[0]);
    case Type::pair:
    case Type::point2d:
    case Type::point3d:
        return hash_components(key_value(value));
    case Type::symbol:
        return hash_symbol(value);
    case Type::native:
    case Type::action:
        return mix32(value.w3);
    case Type::op:
    case Type::function:
    case Type::triple:
    case Type::typeset:
        return hash_words(value, 1, 3);
    case Type::tuple:
        return hash_tuple(value);
    case Type::binary:
        return hash_binary(value);
    default:
        return 0;
    }
}

}  // namespace zel::hashtable
