#include "runtime/memory/heap.h"

#include <gtest/gtest.h>

#include <cstring>

#include "runtime/memory/rounding.h"

namespace zel {
namespace {

class HeapTest : public ::testing::Test {
  protected:
    void SetUp() override { heap::free_all(); }
    void TearDown() override { heap::free_all(); }
};

TEST_F(HeapTest, StrayStaleAndInteriorAddressesChangeNothing) {
    void* a = heap::alloc(24);
    void* b = heap::alloc(40);
    int on_stack = 0;
    heap::free(&on_stack);
    heap::free(static_cast<char*>(a) + 16);
    heap::free(b);
    heap::free(b);
    EXPECT_EQ(heap::resize(&on_stack, 8), nullptr);
    EXPECT_EQ(heap::block_count(), 1u);
    EXPECT_EQ(heap::bytes_in_use(), 24u);
}

TEST_F(HeapTest, ResizeOfAMiddleBlockKeepsTheListIntact) {
    void* first = heap::alloc(16);
    auto* middle = static_cast<char*>(heap::alloc(32));
    void* last = heap::alloc(48);
    std::memset(middle, 'x', 32);
    // Large enough that realloc moves the block.
    auto* moved = static_cast<char*>(heap::resize(middle, 1 << 20));
    EXPECT_EQ(std::string(moved, 32), std::string(32, 'x'));
    // The list is walked forward; the moved block keeps its place.
    EXPECT_EQ(heap::block_sizes(), (std::vector<std::size_t>{16, 1 << 20, 48}));
    // Unlinking its neighbours goes through the moved block's links in both directions.
    heap::free(last);
    heap::free(first);
    EXPECT_EQ(heap::block_sizes(), std::vector<std::size_t>{1 << 20});
    heap::free(moved);
    EXPECT_EQ(heap::block_count(), 0u);
}

TEST_F(HeapTest, ResizeToZeroFreesAndResizeOfNullAllocates) {
    void* p = heap::resize(nullptr, 8);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(heap::block_count(), 1u);
    EXPECT_EQ(heap::resize(p, 0), nullptr);
    EXPECT_EQ(heap::block_count(), 0u);
}

TEST_F(HeapTest, BlocksAreAligned) {
    for (std::size_t n : {std::size_t{1}, std::size_t{24}, std::size_t{100}}) EXPECT_EQ(reinterpret_cast<std::uintptr_t>(heap::alloc(n)) % 16, 0u) << n;
}

TEST_F(HeapTest, FreeAllEmptiesTheList) {
    for (int i = 0; i < 10; ++i) heap::alloc(10);
    heap::free_all();
    EXPECT_EQ(heap::block_count(), 0u);
    EXPECT_EQ(heap::bytes_in_use(), 0u);
    EXPECT_TRUE(heap::block_sizes().empty());
}

TEST(Rounding, ToPowerOfTwoUnits) {
    struct Case {
        std::size_t n, unit, up, next;
    } cases[] = {{0, 8, 0, 8}, {1, 8, 8, 8}, {16, 16, 16, 32}, {17, 16, 32, 32}, {4095, 4096, 4096, 4096}};
    for (const Case& c : cases) {
        EXPECT_EQ(math::round_up(c.n, c.unit), c.up) << c.n << " " << c.unit;
        EXPECT_EQ(math::next_multiple(c.n, c.unit), c.next) << c.n << " " << c.unit;
    }
}

}  // namespace
}  // namespace zel
