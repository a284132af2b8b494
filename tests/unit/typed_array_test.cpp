#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/typed-array.h"
#include "tests/unit/memory-fixture.h"

using namespace zel;

namespace {

using TypedArray = MemoryFixture;

}  // namespace

TEST_F(TypedArray, AppendGrowsBehindTheSameNode) {
    Node a = array::make(2);
    EXPECT_EQ(array::find_value(a, 0), -1);
    u32 size = node::buffer(a)->size;
    for (u32 i = 0; i < 10; ++i) EXPECT_EQ(*array::append_value(a, 100 + i), 100 + i);
    EXPECT_GT(node::buffer(a)->size, size);
    EXPECT_EQ(array::length(a), 10u);
    for (u32 i = 1; i <= 10; ++i) EXPECT_EQ(array::pick(a, i), 99 + i);
    EXPECT_EQ(array::find_value(a, 103), 12);
    array::poke(a, 4, 7);
    EXPECT_EQ(array::find_value(a, 7), 12);
    array::clear(a);
    EXPECT_EQ(array::length(a), 0u);
}

TEST_F(TypedArray, RemoveBytes) {
    struct Row { u32 offset; u32 count; std::vector<u32> left; };
    const Row rows[] = {
        {0, 4, {2, 3}},
        {4, 4, {1, 3}},
        {8, 4, {1, 2}},
        {4, 100, {1}},
        {12, 4, {1, 2, 3}},
    };
    for (const Row& r : rows) {
        Node a = array::make(0);
        for (u32 v : {1u, 2u, 3u}) array::append_value(a, v);
        array::remove_bytes(a, r.offset, r.count);
        ASSERT_EQ(array::length(a), r.left.size()) << r.offset;
        for (u32 i = 0; i < r.left.size(); ++i) EXPECT_EQ(array::pick(a, i + 1), r.left[i]);
    }
}

TEST_F(TypedArray, SixtyFourBitElementsHoldAddresses) {
    int x = 0;
    int y = 0;
    Node a = array64::make(0);
    EXPECT_EQ(array64::find_pointer(a, &x), -1);
    array64::append_value(a, u64{1} << 40);
    array64::append_value(a, reinterpret_cast<std::uintptr_t>(&x));
    array64::append_value(a, reinterpret_cast<std::uintptr_t>(&y));
    EXPECT_EQ(array::length(a), 3u);
    EXPECT_EQ(array64::find_pointer(a, &y), 16);
    EXPECT_EQ(array64::find_value(a, u64{1} << 40), 0);
    EXPECT_EQ(array64::pick(a, 1), u64{1} << 40);
    array64::poke(a, 1, 5);
    EXPECT_EQ(array64::pick(a, 1), 5u);
    array::remove_bytes(a, 0, 8);
    EXPECT_EQ(array64::find_pointer(a, &x), 0);
}
