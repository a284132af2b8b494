#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/eval/error.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series.h"
#include "tests/unit/gc-fixture.h"

using namespace zel;

namespace {

using Gc = GcFixture;

u8 pattern(u32 seed, u32 i) { return static_cast<u8>(seed * 31 + i * 7 + 1); }

// A byte series of `size` bytes filled with the pattern of `seed`.
Node make_bytes(u32 size, u32 seed) {
    Node n = memory::alloc_bytes(size);
    Buffer* b = node::buffer(n);
    for (u32 i = 0; i < size; ++i) b->data()[i] = pattern(seed, i);
    b->tail = size;
    return n;
}

bool has_pattern(Node n, u32 size, u32 seed) {
    if (!node::is_live(n)) return false;
    Buffer* b = node::buffer(n);
    if (b->used() != size || !(b->flags & bufferflag::in_use) || b->node != n) return false;
    for (u32 i = 0; i < size; ++i)
        if (b->data()[i] != pattern(seed, i)) return false;
    return true;
}

u32 live_count(const std::vector<Node>& nodes) {
    return static_cast<u32>(std::count_if(nodes.begin(), nodes.end(), node::is_live));
}

__attribute__((noinline)) void make_garbage(std::vector<Node>& out, u32 count) {
    for (u32 i = 0; i < count; ++i) out.push_back(make_bytes(40 + i % 100, i));
}

}  // namespace

TEST_F(Gc, LocalNodeAndRawPointerSurvive) {
    std::vector<Node> garbage;
    make_garbage(garbage, 200);
    Node local = make_bytes(300, 1);
    Node pointed = make_bytes(500, 2);
    u8* raw = node::buffer(pointed)->data() + 123;
    make_garbage(garbage, 200);
    collect();
    EXPECT_EQ(live_count(garbage), 0u);
    EXPECT_TRUE(has_pattern(local, 300, 1));
    EXPECT_TRUE(has_pattern(pointed, 500, 2));
    EXPECT_EQ(node::buffer(pointed)->data() + 123, raw) << "a buffer pointed into does not move";
    EXPECT_EQ(*raw, pattern(2, 123));
}

TEST_F(Gc, UnreachableSeriesAreFreedAndTheirNodesReused) {
    keep(block_cell(make_bytes(64, 9)));
    u32 nodes_before = memory::stats().nodes_used;
    u64 bytes_before = gc::stats().bytes_in_use;
    std::vector<Node> garbage;
    make_garbage(garbage, 500);
    collect();
    EXPECT_EQ(live_count(garbage), 0u);
    EXPECT_EQ(memory::stats().nodes_used, nodes_before);
    EXPECT_EQ(gc::stats().bytes_in_use, bytes_before);
    std::vector<Node> again;
    make_garbage(again, 500);
    std::sort(garbage.begin(), garbage.end());
    std::sort(again.begin(), again.end());
    EXPECT_EQ(again, garbage) << "freed nodes are taken again before fresh ones";
}

TEST_F(Gc, RecyclingTwiceFreesNothingTheSecondTime) {
    keep(block_cell(make_bytes(64, 9)));
    std::vector<Node> garbage;
    make_garbage(garbage, 100);
    collect();
    gc::Stats first = gc::stats();
    collect();
    gc::Stats second = gc::stats();
    EXPECT_EQ(second.collections, first.collections + 1);
    EXPECT_EQ(second.bytes_in_use, first.bytes_in_use);
    EXPECT_EQ(second.memory.nodes_used, first.memory.nodes_used);
}

TEST_F(Gc, CompactionMovesLiveBuffersAndKeepsTheirData) {
    // Kept and dropped series alternate, across several frames.
    struct Kept {
        Node node;
        u32 size;
        const Buffer* was_at;
    };
    std::vector<Kept> kept;
    std::vector<Node> dropped;
    [&]() __attribute__((noinline)) {
        for (u32 i = 0; i < 3000; ++i) {
            u32 size = 16 + (i * 37) % 900;
            Node n = make_bytes(size, i);
            if (i % 2) {
                dropped.push_back(n);
            } else {
                keep(block_cell(n));
                kept.push_back({n, size, nullptr});
            }
        }
    }();
    ASSERT_GT(memory::stats().series_frames, 1u);
    for (Kept& k : kept) k.was_at = node::buffer(k.node);
    u64 before = gc::stats().bytes_in_use;
    collect();
    u32 moved = 0;
    for (u32 i = 0; i < kept.size(); ++i) {
        ASSERT_TRUE(has_pattern(kept[i].node, kept[i].size, 2 * i)) << i;
        if (node::buffer(kept[i].node) != kept[i].was_at) ++moved;
    }
    EXPECT_GT(moved, kept.size() / 2);
    EXPECT_EQ(live_count(dropped), 0u);
    EXPECT_LT(gc::stats().bytes_in_use, before / 2 + before / 8);
    // The frames are still walkable buffer by buffer after the gaps left by pinned buffers.
    Node fresh = make_bytes(100, 7);
    collect();
    EXPECT_TRUE(has_pattern(fresh, 100, 7));
    for (u32 i = 0; i < kept.size(); ++i) ASSERT_TRUE(has_pattern(kept[i].node, kept[i].size, 2 * i)) << i;
}

namespace {

// A tree: a block of `width` blocks, each holding `width` byte series and an integer.
Node make_tree(u32 width, u32 seed) {
    Node top = memory::alloc_cells(0);
    for (u32 i = 0; i < width; ++i) {
        Node child = memory::alloc_cells(1);
        for (u32 j = 0; j < width; ++j)
            *block::append_cell(block_cell(child)) = Cell{header_of(Type::string), 0, make_bytes(20 + j, seed + i * width + j), 0};
        *block::append_cell(block_cell(child)) = Cell{header_of(Type::integer), 0, seed + i, 0};
        *block::append_cell(block_cell(top)) = block_cell(child);
    }
    return top;
}

bool tree_intact(Node top, u32 width, u32 seed) {
    Buffer* t = node::buffer(top);
    if (t->used() != width * sizeof(Cell)) return false;
    for (u32 i = 0; i < width; ++i) {
        Buffer* c = node::buffer(t->cells()[i].w2);
        if (c->used() != (width + 1) * sizeof(Cell)) return false;
        for (u32 j = 0; j < width; ++j)
            if (!has_pattern(c->cells()[j].w2, 20 + j, seed + i * width + j)) return false;
        if (c->cells()[width].w2 != seed + i) return false;
    }
    return true;
}

__attribute__((noinline)) void churn(u32 round) {
    std::vector<Node> garbage;
    make_garbage(garbage, 50 + round * 7);
    make_tree(4, round);
}

}  // namespace

TEST_F(Gc, NestedBlocksSurviveCollectionsWithChurn) {
    constexpr u32 width = 12;
    // The tree is replaced now and then, the old one becoming garbage. The helpers keep
    // the test's own frame free of nodes.
    auto replace_tree = [this](u32 seed) __attribute__((noinline)) {
        node::buffer(root.w2)->tail = 0;
        keep(block_cell(make_tree(width, seed)));
    };
    auto intact = [this](u32 seed) __attribute__((noinline)) { return tree_intact(root_at(0).w2, width, seed); };
    u32 seed = 1000;
    replace_tree(seed);
    for (u32 round = 0; round < 40; ++round) {
        churn(round);
        if (round % 10 == 5) {
            seed = 2000 + round;
            replace_tree(seed);
        }
        collect();
        ASSERT_TRUE(intact(seed)) << "round " << round;
    }
    // The root block, the tree's top, its children and their series.
    EXPECT_EQ(memory::stats().nodes_used, 1 + 1 + width + width * width);
}

TEST_F(Gc, BigBuffersAreSweptWhenUnreachable) {
    std::vector<Node> garbage;
    [&]() __attribute__((noinline)) {
        garbage.push_back(make_bytes(memory::frame_size_cap, 3));
        garbage.push_back(make_bytes(memory::frame_size_cap + 4096, 4));
    }();
    keep(block_cell(make_bytes(memory::frame_size_cap * 2, 5)));
    ASSERT_EQ(memory::stats().big_buffers, 3u);
    collect();
    EXPECT_EQ(memory::stats().big_buffers, 1u);
    EXPECT_EQ(live_count(garbage), 0u);
    EXPECT_TRUE(has_pattern(root_at(0).w2, memory::frame_size_cap * 2, 5));
}
