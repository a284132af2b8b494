#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "runtime/hash/hashtable.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "tests/unit/names-fixture.h"

using namespace zel;
using namespace zel::hashtable;

namespace {

using HashTable = NamesFixture;

TEST_F(HashTable, SizingFollowsTheLoadFactor) {
    struct Case {
        u32 size;
        u32 kind;
        u32 buckets;
        u32 upper;
    } cases[] = {
        {0, kind::keyed, 8, 6},
        {3, kind::keyed, 8, 6},
        {100, kind::map, 256, 197},
        {4000, kind::words, 16384, 12615},
    };
    for (const Case& c : cases) {
        const Node t = make_table(c.size, 0, c.kind, 1);
        EXPECT_EQ(record(t)->buckets, c.buckets) << c.size;
        EXPECT_EQ(record(t)->upper, c.upper) << c.size;
    }
}

TEST_F(HashTable, ProbeVisitsEveryBucketOnceThenStops) {
    for (u32 buckets : {4u, 8u, 64u, 1024u}) {
        for (u32 hash : {0u, 5u, 0xFFFFFFFFu}) {
            std::set<u32> seen;
            u32 steps = 0;
            for (Probe p(hash, buckets); p.more(); p.next(), ++steps) seen.insert(p.at());
            EXPECT_EQ(steps, buckets);
            EXPECT_EQ(seen.size(), buckets);
        }
    }
}

TEST_F(HashTable, KeyedTableGrowsPastItsBoundAndKeepsEveryEntry) {
    const Node t = make_table(3, 0, kind::keyed, 2);
    for (u32 k = 1; k <= 2000; ++k) put_int_key(t, k * 7919)[1] = integer_of(static_cast<i32>(k));
    EXPECT_EQ(record(t)->count, 2000u);
    EXPECT_LT(record(t)->occupied, record(t)->buckets);
    for (u32 k = 1; k <= 2000; ++k) {
        const Cell* v = get_int_key(t, k * 7919);
        ASSERT_NE(v, nullptr) << k;
        EXPECT_EQ(v[1].w2, k);
    }
    EXPECT_EQ(get_int_key(t, 1), nullptr);
    EXPECT_NE(delete_int_key(t, 7919), nullptr);
    EXPECT_EQ(delete_int_key(t, 7919), nullptr);
    EXPECT_EQ(get_int_key(t, 7919), nullptr);
    EXPECT_NE(get_int_key(t, 2 * 7919), nullptr);
}

TEST_F(HashTable, KeyedChurnStaysBounded) {
    const Node t = make_table(16, 0, kind::keyed, 1);
    for (u32 k = 1; k <= 20000; ++k) {
        put_int_key(t, k);
        delete_int_key(t, k);
    }
    EXPECT_EQ(record(t)->count, 0u);
    EXPECT_LE(record(t)->buckets, 64u);
    EXPECT_LE(node::buffer(record(t)->data)->size, 64u * 32);
}

TEST_F(HashTable, EqualKeysHashAlike) {
    const Cell latin1 = string_of("Caf\xC3\xA9");
    const Cell wide = string_of("caf\xC3\xA9\xE2\x82\xAC");  // UCS-2 units
    Cell wide_prefix = wide;
    node::buffer(wide_prefix.w2)->tail -= 2;  // drop the euro sign: "café" in 2-byte units
    const float minus_zero = -0.0f;
    u32 minus_zero_bits;
    std::memcpy(&minus_zero_bits, &minus_zero, 4);
    const Cell pairs[][2] = {
        {test::float_cell(0.0), test::float_cell(-0.0)},
        {latin1, string_of("CAF\xC3\x89")},
        {latin1, wide_prefix},
        {word_of("abc"), word_of("ABC", Type::set_word)},
        {Cell{header_of(Type::point3d), 0, 0x3F800000, 0}, Cell{header_of(Type::point3d), minus_zero_bits, 0x3F800000, 0}},
    };
    for (const auto& p : pairs) EXPECT_EQ(hash_cell(p[0], false), hash_cell(p[1], false)) << static_cast<int>(p[0].type());
    EXPECT_NE(hash_cell(latin1, true), hash_cell(string_of("CAF\xC3\x89"), true));
    // Every component of a 3D point counts.
    EXPECT_NE(hash_cell(Cell{header_of(Type::point3d), 1, 2, 3}, false),
              hash_cell(Cell{header_of(Type::point3d), 9, 2, 3}, false));
}

}  // namespace
