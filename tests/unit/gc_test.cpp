#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/core/raise.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
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

// The checks are not inlined: a node they read must not linger in the test's registers.
__attribute__((noinline)) bool has_pattern(Node n, u32 size, u32 seed) {
    if (!node::is_live(n)) return false;
    Buffer* b = node::buffer(n);
    if (b->used() != size || !(b->flags & bufferflag::in_use) || b->node != n) return false;
    for (u32 i = 0; i < size; ++i)
        if (b->data()[i] != pattern(seed, i)) return false;
    return true;
}

__attribute__((noinline)) u32 live_count(const std::vector<Node>& nodes) {
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
    // Only a pointer into the data of this one is kept, not its node.
    u8* raw = [&]() __attribute__((noinline)) { return node::buffer(make_bytes(500, 2))->data() + 123; }();
    make_garbage(garbage, 200);
    collect();
    // The scan promises that nothing referenced is lost. It cannot promise that all the
    // garbage goes: a stale word the compiler left on the stack may still name some of it.
    EXPECT_LE(live_count(garbage), 4u);
    EXPECT_TRUE(has_pattern(local, 300, 1));
    const Buffer* pointed = reinterpret_cast<const Buffer*>(raw - 123) - 1;
    EXPECT_TRUE(has_pattern(pointed->node, 500, 2)) << "a buffer pointed into is kept";
    EXPECT_EQ(node::buffer(pointed->node)->data() + 123, raw) << "and does not move";
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
    // Kept and dropped series alternate, across several frames (some 2.8 MB, more than the
    // first frame holds).
    struct Kept {
        Node node;
        u32 size;
        const Buffer* was_at;
    };
    std::vector<Kept> kept;
    std::vector<Node> dropped;
    [&]() __attribute__((noinline)) {
        for (u32 i = 0; i < 6000; ++i) {
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
    [&]() __attribute__((noinline)) {
        Node fresh = make_bytes(100, 7);
        collect();
        EXPECT_TRUE(has_pattern(fresh, 100, 7));
    }();
    for (u32 i = 0; i < kept.size(); ++i) ASSERT_TRUE(has_pattern(kept[i].node, kept[i].size, 2 * i)) << i;
    // Emptied frames go back to the system; one stays.
    clear_root();
    collect();
    EXPECT_EQ(memory::stats().series_frames, 1u);
    EXPECT_EQ(memory::stats().nodes_used, 1u);
}

namespace {

u64 series_frame_bytes() {
    u64 total = 0;
    for (memory::SeriesFrame* f = memory::root.first_frame; f; f = f->next) total += f->total;
    return total;
}

// Buffer addresses stay in this helper's frame, which the next collection's stack wipe
// clears: one left in the test's own frame would pin whatever comes to lie there.
__attribute__((noinline)) u64 footprints(const std::vector<Node>& nodes) {
    u64 bytes = 0;
    for (Node n : nodes) bytes += buffer_footprint(node::buffer(n)->size);
    return bytes;
}

u32 sample_size(u32 i) { return 16 + (i * 37) % 900; }

}  // namespace

TEST_F(Gc, CompactionReturnsMemoryToNearTheLiveSize) {
    // Survivors scattered through many frames of garbage move into the free tails of the
    // frames before them, so the frames they leave empty go back to the system. What is
    // left: the live bytes, the free tail of the last frame they fill, and the frames that
    // stale words on the stack may hold, each by pinning a buffer in it (two at most here).
    struct Row {
        u32 keep_one_in;
        u32 min_frames_before;
    };
    for (const Row& row : {Row{10, 7}, Row{3, 7}}) {
        clear_root();
        collect();
        std::vector<Node> kept{root.w2};
        [&]() __attribute__((noinline)) {
            for (u32 i = 0; i < 30000; ++i) {
                Node n = make_bytes(sample_size(i), i);
                if (i % row.keep_one_in) continue;
                keep(block_cell(n));
                kept.push_back(n);
            }
        }();
        ASSERT_GE(memory::stats().series_frames, row.min_frames_before);
        collect();
        for (u32 k = 1; k < kept.size(); ++k) {
            u32 i = (k - 1) * row.keep_one_in;
            ASSERT_TRUE(has_pattern(kept[k], sample_size(i), i)) << i;
        }
        const u64 frame = memory::frame_size_cap + sizeof(memory::SeriesFrame);
        EXPECT_LE(series_frame_bytes(), footprints(kept) + 3 * frame) << "one in " << row.keep_one_in;
    }
}

TEST_F(Gc, PinnedBuffersStayWhileTheOthersMoveAcrossFrames) {
    // Raw pointers into survivors spread over every frame pin those buffers: the rest
    // moves around them, and the frames stay walkable for the next collections.
    static u8* raw[24];
    std::vector<Node> kept;
    [&]() __attribute__((noinline)) {
        for (u32 i = 0; i < 12000; ++i) {
            Node n = make_bytes(sample_size(i), i);
            if (i % 5) continue;
            keep(block_cell(n));
            kept.push_back(n);
            if (i % 500 == 0) raw[i / 500] = node::buffer(n)->data();
        }
    }();
    ASSERT_GE(memory::stats().series_frames, 3u);
    gc::add_native_range(raw, sizeof raw);
    for (u32 round = 0; round < 3; ++round) {
        collect();
        for (u32 i = 0; i < kept.size(); ++i)
            ASSERT_TRUE(has_pattern(kept[i], sample_size(i * 5), i * 5)) << "round " << round;
        for (u32 p = 0; p < 24; ++p) EXPECT_EQ(node::buffer(kept[p * 100])->data(), raw[p]) << p;
    }
    gc::remove_native_range(raw);
}

namespace {

// A tree: a block of `width` blocks, each holding `width` byte series and an integer.
Node make_tree(u32 width, u32 seed) {
    Node top = memory::alloc_cells(0);
    for (u32 i = 0; i < width; ++i) {
        Node child = memory::alloc_cells(1);
        for (u32 j = 0; j < width; ++j) {
            Node text = make_bytes(20 + j, seed + i * width + j);
            *series_buffer::append_cell(block_cell(child)) = Cell{header_of(Type::string), 0, text, 0};
        }
        *series_buffer::append_cell(block_cell(child)) = Cell{header_of(Type::integer), 0, seed + i, 0};
        *series_buffer::append_cell(block_cell(top)) = block_cell(child);
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
    auto intact = [this](u32 seed) __attribute__((noinline)) {
        return tree_intact(root_at(0).w2, width, seed);
    };
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

namespace {

// A hand-made weak table, like the ownership table: it names series without keeping them.
struct WeakTable {
    Node entries[4];
    u32 dropped;
};

void drop_dead_entries(void* data) {
    auto* t = static_cast<WeakTable*>(data);
    for (Node& n : t->entries)
        if (n && !gc::is_marked(n)) {
            n = 0;
            ++t->dropped;
        }
}

Node kept_by_callback;
void mark_kept(void*) { gc::mark_series(kept_by_callback); }

}  // namespace

TEST_F(Gc, WeakCallbacksDropWhatNothingElseReaches) {
    static WeakTable table;
    table = WeakTable{};
    std::vector<Node> only_in_table;
    [&]() __attribute__((noinline)) {
        Node reached = make_bytes(30, 1);
        keep(block_cell(reached));
        table.entries[0] = reached;
        table.entries[1] = make_bytes(30, 2);
        table.entries[2] = make_bytes(30, 3);
        only_in_table = {table.entries[1], table.entries[2]};
    }();
    gc::add_weak_callback(drop_dead_entries, &table);
    collect();
    gc::remove_weak_callback(drop_dead_entries, &table);
    EXPECT_EQ(table.dropped, 2u);
    EXPECT_EQ(table.entries[1], 0u);
    EXPECT_EQ(table.entries[2], 0u);
    EXPECT_EQ(live_count(only_in_table), 0u);
    EXPECT_TRUE(has_pattern(table.entries[0], 30, 1));
}

TEST_F(Gc, MarkCallbacksKeepWhatTheirModuleHolds) {
    [] () __attribute__((noinline)) { kept_by_callback = make_bytes(50, 4); }();
    gc::add_mark_callback(mark_kept);
    collect();
    EXPECT_TRUE(has_pattern(kept_by_callback, 50, 4));
    gc::remove_mark_callback(mark_kept);
    collect();
    EXPECT_FALSE(node::is_live(kept_by_callback));
}

TEST_F(Gc, RegisteredNativeRangesAreScannedLikeTheStack) {
    static Node held[3];
    std::vector<Node> nodes;
    [&]() __attribute__((noinline)) {
        held[1] = make_bytes(40, 5);
        nodes.push_back(held[1]);
    }();
    gc::add_native_range(held, sizeof held);
    collect();
    EXPECT_TRUE(has_pattern(nodes[0], 40, 5));
    gc::remove_native_range(held);
    collect();
    EXPECT_EQ(live_count(nodes), 0u);
}

TEST_F(Gc, RunningOutOfMemoryInACollectionIsFatal) {
    auto fail = [](void*) { memory::raise_no_memory(); };
    EXPECT_EXIT(
        {
            gc::add_mark_callback(fail);
            gc::recycle();
        },
        ::testing::ExitedWithCode(94), "out of memory");
}

TEST_F(Gc, RegistriesHoldAHundredEntries) {
    static Cell cells[gc::registry_capacity + 1];
    // The fixture's root block holds the first entry.
    for (u32 i = 1; i < gc::registry_capacity; ++i) gc::add_root_cells(&cells[i], 1);
    bool limit_hit = false;
    try {
        gc::add_root_cells(&cells[0], 1);
    } catch (const ErrorThrow& e) {
        limit_hit = e.id == ErrorId::internal_limit_hit;
    }
    EXPECT_TRUE(limit_hit);
    for (u32 i = 1; i < gc::registry_capacity; ++i) gc::remove_root_cells(&cells[i]);
    gc::add_root_cells(&cells[0], 1);
    gc::remove_root_cells(&cells[0]);
}

namespace {

std::vector<Node> tables_met;
void record_table(Node table) { tables_met.push_back(table); }

constexpr u32 wraps(Type t) { return static_cast<u32>(t) << 16; }

}  // namespace

TEST_F(Gc, CellsKeepTheSeriesTheirTypeNames) {
    struct Row {
        const char* what;
        u32 header;
        u32 word;  // payload word holding the node
        bool kept;
    };
    const u32 on_stack = cellflag::context_on_stack;
    const Row rows[] = {
        {"block! series", header_of(Type::block), 2, true},
        {"block! word 1", header_of(Type::block), 1, false},
        {"block! word 3", header_of(Type::block), 3, false},
        {"string! conversion buffer", header_of(Type::string), 3, true},
        {"symbol! name", header_of(Type::symbol), 3, true},
        {"word! context", header_of(Type::word), 1, true},
        {"word! word 2", header_of(Type::word), 2, false},
        {"issue!", header_of(Type::issue), 1, false},
        {"context! word table", header_of(Type::context), 1, true},
        {"context! values", header_of(Type::context), 2, true},
        {"context! values on the stack", header_of(Type::context) | on_stack, 2, false},
        {"op! of a function", header_of(Type::op) | wraps(Type::function), 1, true},
        {"op! of a native", header_of(Type::op) | wraps(Type::native), 1, false},
        {"op! record", header_of(Type::op) | wraps(Type::native), 3, true},
        {"function! extra block", header_of(Type::function), 3, true},
        {"object! handler block", header_of(Type::object), 3, true},
        {"object! word 2", header_of(Type::object), 2, false},
        {"hash! table", header_of(Type::hash), 3, true},
        {"event! from values", header_of(Type::event) | cellflag::event_from_values, 2, true},
        {"event! from a message", header_of(Type::event), 2, false},
        {"integer!", header_of(Type::integer), 2, false},
    };
    std::vector<Node> nodes;
    [&]() __attribute__((noinline)) {
        for (const Row& r : rows) {
            Node n = make_bytes(16, 0);
            Cell c{r.header, 0, 0, 0};
            (&c.w1)[r.word - 1] = n;
            keep(c);
            nodes.push_back(n);
        }
    }();
    for (Node table : {nodes[8], nodes[17]}) node::buffer(table)->flags |= bufferflag::table_record;
    tables_met.clear();
    gc::set_table_marker(record_table);
    collect();
    gc::set_table_marker(nullptr);
    for (u32 i = 0; i < std::size(rows); ++i)
        EXPECT_EQ(node::is_live(nodes[i]), rows[i].kept) << rows[i].what;
    std::vector<Node> tables{nodes[8], nodes[17]};
    std::sort(tables_met.begin(), tables_met.end());
    EXPECT_EQ(tables_met, tables) << "the word table of a context and the table of a hash!";
}

TEST_F(Gc, StressModeCollectsAtEveryNthAllocation) {
    for (u32 every : {1u, 3u}) {
        clear_root();
        gc::set_enabled(true);
        gc::set_stress(every);
        u32 before = gc::collection_count();
        Node block = memory::alloc_cells(1);
        keep(block_cell(block));
        for (u32 i = 0; i < 200; ++i) {
            Node text = make_bytes(10 + i % 50, i);
            *series_buffer::append_cell(block_cell(block)) = Cell{header_of(Type::string), 0, text, 0};
        }
        gc::set_stress(0);
        gc::set_enabled(false);
        EXPECT_GE(gc::collection_count() - before, 200 / every) << every;
        Buffer* b = node::buffer(block);
        ASSERT_EQ(b->used(), 200 * sizeof(Cell)) << every;
        for (u32 i = 0; i < 200; ++i)
            ASSERT_TRUE(has_pattern(b->cells()[i].w2, 10 + i % 50, i)) << every << " " << i;
    }
}

TEST_F(Gc, CollectionsNeverNest) {
    static u32 inside_count;
    static bool was_inside;
    auto try_nested = [](void*) {
        was_inside = gc::in_collection();
        gc::collect_if_enabled();
        inside_count = gc::collection_count();
    };
    gc::set_enabled(true);
    u32 before = gc::collection_count();
    gc::add_mark_callback(try_nested);
    gc::collect_if_enabled();
    gc::remove_mark_callback(try_nested);
    EXPECT_TRUE(was_inside);
    EXPECT_EQ(inside_count, before);
    EXPECT_EQ(gc::collection_count(), before + 1);
    EXPECT_FALSE(gc::in_collection());
}

TEST_F(Gc, DisabledGuardRestoresTheSwitch) {
    for (bool on : {true, false}) {
        gc::set_enabled(on);
        try {
            gc::Disabled outer;
            EXPECT_FALSE(gc::enabled());
            {
                gc::Disabled inner;
            }
            EXPECT_FALSE(gc::enabled());
            throw Throw{ThrowCode::break_};
        } catch (const Throw&) {
        }
        EXPECT_EQ(gc::enabled(), on);
        u32 before = gc::collection_count();
        gc::collect_if_enabled();
        EXPECT_EQ(gc::collection_count(), before + (on ? 1 : 0));
    }
}
