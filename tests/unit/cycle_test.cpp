#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/core/raise.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/memory/series-buffer.h"
#include "runtime/text/cycle.h"
#include "tests/unit/memory-fixture.h"

using namespace zel;

namespace {

class Cycle : public MemoryFixture {
protected:
    void SetUp() override {
        MemoryFixture::SetUp();
        cycle::reset();
    }
};

// A walk that descends into every nested block, as mold and compare do.
bool walk_finds_cycle(Node block) {
    cycle::Entry entry(block);
    Buffer* b = node::buffer(block);
    for (u32 i = 0; i < b->cell_count(); ++i) {
        const Cell& c = b->cells()[i];
        if (!c.is(Type::block)) continue;
        if (cycle::find(c.w2) || walk_finds_cycle(c.w2)) return true;
    }
    return false;
}

void descend(u32 levels) {
    cycle::Entry entry(node::base + levels);
    if (levels > 1) descend(levels - 1);
}

std::string text_of(Node str) {
    Buffer* b = node::buffer(str);
    std::string s;
    for (u32 i = 0; i < b->used(); i += b->unit()) s += static_cast<char>(b->head_ptr()[i]);
    return s;
}

}  // namespace

TEST_F(Cycle, ABlockContainingItselfIsFound) {
    Node outer = memory::alloc_cells(2);
    Node inner = memory::alloc_cells(2);
    *series_buffer::append_cell(node::buffer(outer)) = Cell{header_of(Type::integer), 0, 1, 0};
    *series_buffer::append_cell(node::buffer(outer)) = Cell{header_of(Type::block), 0, inner, 0};
    EXPECT_FALSE(walk_finds_cycle(outer));
    *series_buffer::append_cell(node::buffer(inner)) = Cell{header_of(Type::block), 0, outer, 0};
    EXPECT_TRUE(walk_finds_cycle(outer));
    EXPECT_EQ(cycle::depth(), 0u);
}

TEST_F(Cycle, TooDeepEmptiesTheGuard) {
    descend(cycle::capacity - 1);
    EXPECT_EQ(cycle::depth(), 0u);
    try {
        descend(cycle::capacity);
        FAIL() << "no error";
    } catch (const ErrorThrow& e) {
        EXPECT_EQ(e.id, ErrorId::internal_too_deep);
    }
    EXPECT_EQ(cycle::depth(), 0u);
    EXPECT_FALSE(cycle::find(node::base + 1));
}

TEST_F(Cycle, UnwindingRestoresTheOuterWalk) {
    cycle::Entry outer(node::base + 1);
    try {
        cycle::Entry inner(node::base + 2);
        cycle::push(node::base + 3);
        throw 1;
    } catch (int) {
    }
    EXPECT_EQ(cycle::depth(), 1u);
    EXPECT_TRUE(cycle::find(node::base + 1));
    EXPECT_FALSE(cycle::find(node::base + 2));
}

TEST_F(Cycle, Markers) {
    const Node walked = node::base + 5;
    struct Row { Type type; bool mold; const char* marker; };
    const Row rows[] = {
        {Type::block, true, "[...]"},
        {Type::hash, true, "[...]"},
        {Type::paren, true, "(...)"},
        {Type::map, true, "#[...]"},
        {Type::object, true, "make object! [...]"},
        {Type::set_path, true, "..."},
        {Type::block, false, "..."},
        {Type::object, false, "..."},
    };
    cycle::Entry entry(walked);
    for (const Row& r : rows) {
        for (u32 width : {1u, 2u}) {
            Node out = memory::alloc_units(0, width);
            Cell value{header_of(r.type), 0, walked, 0};
            if (r.type == Type::object) value = Cell{header_of(r.type), walked, 7, 0};
            i32 remaining = 100;
            EXPECT_TRUE(cycle::write_marker_if_seen(value, out, &remaining, r.mold));
            EXPECT_EQ(text_of(out), r.marker);
            EXPECT_EQ(remaining, 100 - static_cast<i32>(std::strlen(r.marker)));
        }
    }
    Node out = memory::alloc_units(0, 1);
    i32 remaining = 100;
    Cell other{header_of(Type::block), 0, walked + 1, 0};
    EXPECT_FALSE(cycle::write_marker_if_seen(other, out, &remaining, true));
    EXPECT_EQ(node::buffer(out)->used(), 0u);
    EXPECT_EQ(remaining, 100);
}
