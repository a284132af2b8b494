#include <gtest/gtest.h>

#include <vector>

#include "runtime/core/raise.h"
#include "runtime/memory/externals.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/node.h"
#include "runtime/memory/resource.h"
#include "tests/unit/gc-fixture.h"

using namespace zel;

namespace {

std::vector<void*> released;
void record_release(void* data) { released.push_back(data); }

int objects[8];  // stand-ins for native objects

class Resources : public GcFixture {
protected:
    void SetUp() override {
        GcFixture::SetUp();
        resource::init();
        released.clear();
        font = resource::register_kind("font", record_release);
        plain = resource::register_kind("plain", nullptr);
    }
    void TearDown() override {
        resource::shutdown();
        GcFixture::TearDown();
    }

    static Cell handle_cell(u32 index) { return Cell{header_of(Type::handle), 0, 0, index}; }

    u32 font = 0;
    u32 plain = 0;
};

std::vector<void*> data_of_kind(u32 kind) {
    static std::vector<void*> seen;
    seen.clear();
    resource::for_each_of_kind(kind, [](void* data) { seen.push_back(data); });
    return seen;
}

}  // namespace

TEST_F(Resources, AddRemoveAndReplace) {
    u32 a = resource::add(&objects[0], font);
    u32 b = resource::add(&objects[1], plain);
    u32 c = resource::add(&objects[2], font);
    EXPECT_EQ(a, 0u);
    EXPECT_EQ(b, 1u);
    EXPECT_EQ(c, 2u);
    EXPECT_EQ(data_of_kind(font), (std::vector<void*>{&objects[2], &objects[0]})) << "newest first";
    EXPECT_STREQ(resource::kind_name(font), "font");

    resource::replace_data(a, &objects[0]);
    EXPECT_TRUE(released.empty()) << "the same data is not released";
    resource::replace_data(a, &objects[3]);
    EXPECT_EQ(released, std::vector<void*>{&objects[0]});

    resource::remove(c, false);
    resource::remove(a, true);
    EXPECT_EQ(released, (std::vector<void*>{&objects[0], &objects[3]}));
    EXPECT_TRUE(data_of_kind(font).empty());
    EXPECT_EQ(resource::entry(a).kind_word, resource::kindword::free);
    EXPECT_EQ(resource::add(&objects[4], font), a) << "the last freed entry is taken first";
    EXPECT_EQ(resource::used_count(), 2u);
    resource::remove(b, true);  // a kind without a release callback
    EXPECT_EQ(released.size(), 2u);
}

TEST_F(Resources, TakingTheLastFreeEntryDoublesTheTable) {
    for (u32 i = 0; i + 1 < resource::first_capacity; ++i)
        ASSERT_EQ(resource::add(&objects[i % 8], plain), i);
    EXPECT_EQ(resource::capacity(), resource::first_capacity);
    EXPECT_EQ(resource::add(&objects[0], font), resource::first_capacity - 1);
    EXPECT_EQ(resource::capacity(), 2 * resource::first_capacity);
    EXPECT_EQ(resource::add(&objects[1], font), resource::first_capacity);
    EXPECT_EQ(resource::used_count(), resource::first_capacity + 1);
    EXPECT_EQ(data_of_kind(font), (std::vector<void*>{&objects[1], &objects[0]}));
}

TEST_F(Resources, KindsBeyondTwentyAreRefused) {
    for (u32 k = 3; k <= resource::max_kinds; ++k) EXPECT_EQ(resource::register_kind("kind", nullptr), k);
    bool limit_hit = false;
    try {
        resource::register_kind("one too many", nullptr);
    } catch (const ErrorThrow& e) {
        limit_hit = e.id == ErrorId::internal_limit_hit;
    }
    EXPECT_TRUE(limit_hit);
}

TEST_F(Resources, CollectionReleasesWhatNoHandleReaches) {
    u32 stored = resource::add(&objects[0], font);
    u32 dropped = resource::add(&objects[1], font);
    u32 never_stored = resource::add(&objects[2], font);
    keep(handle_cell(dropped));
    // Dropped before any collection marked it, and never stored at all: both released by
    // the first collection.
    clear_root();
    keep(handle_cell(stored));
    collect();
    EXPECT_EQ(released, (std::vector<void*>{&objects[2], &objects[1]}));
    EXPECT_EQ(resource::entry(dropped).kind_word, resource::kindword::free);
    EXPECT_EQ(resource::entry(never_stored).kind_word, resource::kindword::free);
    collect();
    EXPECT_EQ(released.size(), 2u);
    EXPECT_FALSE(resource::entry(stored).kind_word & resource::kindword::marked) << "the sweep clears marks";
    // Dropped from the only value holding it: released once, by the next collection.
    clear_root();
    collect();
    collect();
    EXPECT_EQ(released, (std::vector<void*>{&objects[2], &objects[1], &objects[0]}));
    EXPECT_EQ(resource::entry(stored).kind_word, resource::kindword::free);
}

TEST_F(Resources, WhatANativeMakesLivesUntilItReturns) {
    // A native may collect before it stores the handle of what it made: its entries are
    // kept until it returns, and those of natives it called until they return.
    u32 stored = 0;
    {
        const resource::NativeCall outer;
        stored = resource::add(&objects[0], font);
        resource::add(&objects[1], font);
        collect();
        collect();
        EXPECT_TRUE(released.empty());
        {
            const resource::NativeCall inner;
            resource::add(&objects[2], font);
        }
        try {
            const resource::NativeCall failing;
            resource::add(&objects[3], font);
            raise(ErrorId::internal_not_done);
        } catch (const ErrorThrow&) {
        }
        collect();
        EXPECT_EQ(released, (std::vector<void*>{&objects[3], &objects[2]}));
        keep(handle_cell(stored));
    }
    collect();
    EXPECT_EQ(released, (std::vector<void*>{&objects[3], &objects[2], &objects[1]}));
    EXPECT_EQ(resource::used_count(), 1u);
    clear_root();
    collect();
    EXPECT_EQ(released.size(), 4u);
}

TEST_F(Resources, HandlesWithoutAnEntryMarkNothing) {
    u32 index = resource::add(&objects[0], font);
    keep(handle_cell(0xFFFFFFFF));                   // -1: no entry
    keep(handle_cell(resource::capacity() + 5));     // beyond the table
    keep(handle_cell(index));
    resource::remove(index, false);
    keep(handle_cell(index));                        // a freed entry
    collect();
    EXPECT_EQ(resource::entry(index).kind_word, resource::kindword::free);
    EXPECT_EQ(resource::used_count(), 0u);
    EXPECT_TRUE(released.empty());
}

TEST_F(Resources, MarkReplacesDataWithoutReleasing) {
    u32 index = resource::add(&objects[0], font);
    EXPECT_TRUE(resource::mark(index, &objects[1]));
    EXPECT_FALSE(resource::mark(index, nullptr));
    EXPECT_EQ(resource::entry(index).data, &objects[1]);
    EXPECT_TRUE(released.empty());
}

namespace {

class Externals : public GcFixture {
protected:
    void SetUp() override {
        GcFixture::SetUp();
        externals::init();
    }
    void TearDown() override {
        externals::shutdown();
        GcFixture::TearDown();
    }
};

Cell integer(u32 v) { return Cell{header_of(Type::integer), 0, v, 0}; }

}  // namespace

TEST_F(Externals, StoreReleaseAndReuse) {
    EXPECT_EQ(externals::store(integer(10)), 1u);
    EXPECT_EQ(externals::store(integer(20)), 2u);
    EXPECT_EQ(externals::store(integer(30)), 3u);
    externals::release(0);
    EXPECT_EQ(externals::store(integer(40)), 4u) << "releasing 0 frees nothing";
    externals::release(2);
    externals::release(1);
    EXPECT_EQ(externals::store(integer(50)), 1u);
    EXPECT_EQ(externals::store(integer(60)), 2u);
    EXPECT_EQ(externals::store(integer(70)), 5u);
    EXPECT_EQ(externals::cell_at(3)->w2, 30u);
    EXPECT_EQ(externals::cell_at(2)->w2, 60u);
}

TEST_F(Externals, AFullTableDoublesAndKeepsItsValues) {
    for (u32 i = 1; i <= externals::first_size; ++i) ASSERT_EQ(externals::store(integer(i)), i);
    EXPECT_EQ(externals::store(integer(1000)), externals::first_size + 1);
    Buffer* b = node::buffer(externals::block().w2);
    EXPECT_EQ(b->used(), 2 * externals::first_size * sizeof(Cell));
    for (u32 i = 1; i <= externals::first_size; ++i) ASSERT_EQ(externals::cell_at(i)->w2, i);
    EXPECT_EQ(externals::cell_at(externals::first_size + 1)->w2, 1000u);
    EXPECT_EQ(externals::store(integer(1001)), externals::first_size + 2);
}

TEST_F(Externals, StoredValuesLiveUntilReleased) {
    std::vector<Node> nodes;
    u32 index = [&]() __attribute__((noinline)) {
        Node n = memory::alloc_cells(2);
        nodes.push_back(n);
        return externals::store(block_cell(n));
    }();
    collect();
    EXPECT_TRUE(node::is_live(nodes[0]));
    EXPECT_EQ(externals::cell_at(index)->w2, nodes[0]);
    externals::release(index);
    collect();
    EXPECT_FALSE(node::is_live(nodes[0]));
}
