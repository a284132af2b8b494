#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/datatypes/ownership.h"
#include "runtime/memory/gc.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/names/symbol.h"
#include "runtime/text/cycle.h"
#include "tests/unit/series-fixture.h"

using namespace zel;

namespace {

// A stand-in for an object with on-deep-change*: records each call as
// "owner-tag field action index part".
std::vector<std::string> events;

void record_event(const Cell& owner, const Cell& word, const Cell&, const Cell& action, const Cell&, i32 index,
                  i32 part) {
    events.push_back(std::to_string(owner.w1) + " " + std::string(symbol::name(word.w2)) + " " +
                     std::string(symbol::name(action.w2)) + " " + std::to_string(index) + " " + std::to_string(part));
}

}  // namespace

class OwnershipTest : public SeriesFixture {
protected:
    void SetUp() override {
        SeriesFixture::SetUp();
        ownership::init();
        ownership::deep_change_hook = record_event;
        events.clear();
    }
    void TearDown() override {
        ownership::deep_change_hook = nullptr;
        SeriesFixture::TearDown();
    }
    // An owner with a handler block (word 3 not 0), told apart by word 1.
    static Cell owner(u32 tag) { return Cell{header_of(Type::object), tag, 0, 1}; }
};

TEST_F(OwnershipTest, ChangesNotifyBeforeAndAfterWithTheFieldWord) {
    const Cell inner = block_of({i(1)});
    Cell field = block_of({i(0), inner});
    ownership::claim(field, owner(7), w("items"));

    Cell s = field;
    const Cell five = i(5);
    row(Type::block).on_insert(&s, &five, -1, false, 1, true);
    Cell nested = inner;
    row(Type::block).on_insert(&nested, &five, -1, false, 2, true);
    Cell taken = field;
    row(Type::block).on_take(&taken, nullptr, false, true);
    const std::vector<std::string> expected = {
        "7 items append 2 1", "7 items appended 2 1", "7 items append 1 2",
        "7 items appended 1 2", "7 items take 2 1", "7 items taken 2 1",
    };
    EXPECT_EQ(events, expected);
    EXPECT_EQ(ownership::owner_of(inner.w2)->w1, 7u);
}

TEST_F(OwnershipTest, SelfContainingBlocksFirstOwnerAndRelease) {
    Cell self = block_of({i(1)});
    block::append_value(self, self);
    ownership::claim(self, owner(1), w("a"));
    EXPECT_EQ(cycle::depth(), 0u);
    ownership::claim(self, owner(2), w("b"));
    EXPECT_EQ(ownership::owner_of(self.w2)->w1, 1u);

    Cell s = self;
    row(Type::block).on_clear(&s);
    EXPECT_EQ(events, (std::vector<std::string>{"1 a clear 0 2", "1 a cleared 0 0"}));

    ownership::release(self);
    EXPECT_EQ(ownership::owner_of(self.w2), nullptr);
    events.clear();
    const Cell one = i(1);
    row(Type::block).on_insert(&s, &one, -1, false, 1, true);
    EXPECT_TRUE(events.empty());

    // A copy of an owned series is not owned.
    Cell text = string_of("abc");
    ownership::claim(text, owner(3), w("t"));
    Cell copied;
    row(Type::series).on_copy(&text, &copied, nullptr, false, nullptr);
    ownership::claim(copied, owner(4), w("u"));
    EXPECT_EQ(ownership::owner_of(copied.w2)->w1, 4u);
}

TEST_F(OwnershipTest, ReflectAndModifyTheOwnedField) {
    Cell b = block_of({i(1)});
    const Cell owned = w("owned");
    const Cell spec = block_of({owner(9), w("f")});
    Cell s = b;
    row(Type::block).on_modify(&s, &owned, &spec, false);
    Cell r = b;
    EXPECT_EQ(row(Type::block).on_reflect(&r, &owned)->w1, 9u);
    s = b;
    row(Type::block).on_modify(&s, &owned, &none_cell, false);
    r = b;
    EXPECT_TRUE(row(Type::block).on_reflect(&r, &owned)->is(Type::none));
    const Cell other = w("spec");
    EXPECT_EQ(test::error_of([&] { row(Type::block).on_reflect(&r, &other); }), ErrorId::internal_not_done);
}

TEST_F(OwnershipTest, AHookThatShrinksTheSeriesLeavesTheActionInBounds) {
    static Cell target;
    target = block_of({i(1), i(2), i(3), i(4)});
    ownership::claim(target, owner(1), w("f"));
    ownership::deep_change_hook = [](const Cell&, const Cell&, const Cell&, const Cell& action, const Cell&, i32, i32) {
        if (symbol::name(action.w2).back() != 'd') block::set_tail(target, 1);
    };
    const Cell two = i(2), three = i(3), nine = i(9);
    Cell s = at(target, 2);
    row(Type::block).on_remove(&s, &two, nullptr);
    s = at(target, 0);
    block::set_tail(target, 4);
    row(Type::block).on_poke(&s, &three, &nine);
    EXPECT_EQ(mold(at(target, 0)), "[1]");
    block::set_tail(target, 4);
    s = at(target, 1);
    row(Type::block).on_take(&s, &three, false, false);
    EXPECT_EQ(mold(s), "[]");
    block::set_tail(target, 4);
    s = at(target, 3);
    row(Type::block).on_change(&s, &nine, -1, false, 1);
    EXPECT_EQ(mold(at(target, 0)), "[1 9]");
    block::set_tail(target, 4);
    s = at(target, 0);
    row(Type::block).on_sort(&s, {});
    EXPECT_EQ(mold(at(target, 0)), "[1]");
}

namespace {

// Three claims, each named by its field word: both series and owner kept, the owner
// lost, the series lost. Made in a helper so that no stale copy of the lost nodes stays
// on the test's stack.
__attribute__((noinline)) void claim_three(Cell* kept, Node* lost_series) {
    const Node owner_context = memory::alloc_cells(2);
    const Node lost_owner = memory::alloc_cells(2);
    const Cell owner_cell{header_of(Type::object), owner_context, 0, 1};
    kept[0] = Cell{header_of(Type::block), 0, owner_context, 0};
    kept[1] = Cell{header_of(Type::block), 0, memory::alloc_cells(1), 0};
    kept[2] = Cell{header_of(Type::block), 0, memory::alloc_cells(1), 0};
    const Cell doomed{header_of(Type::block), 0, memory::alloc_cells(1), 0};
    *lost_series = doomed.w2;
    ownership::claim(kept[1], owner_cell, Cell{header_of(Type::word), 0, symbol::intern("both"), 0});
    ownership::claim(kept[2], Cell{header_of(Type::object), lost_owner, 0, 1},
                     Cell{header_of(Type::word), 0, symbol::intern("orphan"), 0});
    Cell claimed = doomed;
    ownership::claim(claimed, owner_cell, Cell{header_of(Type::word), 0, symbol::intern("gone"), 0});
}

__attribute__((noinline, no_sanitize_address)) void wipe_stack() {
    volatile unsigned char area[64 * 1024];
    for (volatile unsigned char& byte : area) byte = 0;
}

}  // namespace

TEST_F(OwnershipTest, CollectorDropsEntriesWhoseSeriesOrOwnerDied) {
    Cell kept[3]{};
    Node lost = 0;
    gc::add_root_cells(kept, 3);
    claim_three(kept, &lost);
    volatile u32 lost_key = lost ^ 0x5A5A5A5A;  // the node, hidden from the stack scan
    lost = 0;
    wipe_stack();
    gc::recycle();
    gc::remove_root_cells(kept);

    EXPECT_NE(ownership::owner_of(kept[1].w2), nullptr);
    EXPECT_NE(node::buffer(kept[1].w2)->flags & bufferflag::owned, 0u);
    EXPECT_EQ(ownership::owner_of(kept[2].w2), nullptr);
    EXPECT_EQ(node::buffer(kept[2].w2)->flags & bufferflag::owned, 0u);
    EXPECT_EQ(ownership::owner_of(lost_key ^ 0x5A5A5A5A), nullptr);
}
