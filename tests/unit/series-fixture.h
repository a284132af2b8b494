// Blocks, paths and strings built by hand for the series tests, on a runtime with names.
#pragma once
#include <initializer_list>
#include <string>

#include "runtime/datatypes/block.h"
#include "runtime/datatypes/registry.h"
#include "runtime/memory/node.h"
#include "tests/unit/names-fixture.h"

class SeriesFixture : public NamesFixture {
protected:
    using Cell = zel::Cell;
    using Type = zel::Type;

    explicit SeriesFixture(zel::runtime::Stage stage = zel::runtime::Stage::names) : NamesFixture(stage) {}

    static Cell block_of(std::initializer_list<Cell> cells, Type t = Type::block) {
        Cell b;
        zel::block::make_at(&b, static_cast<zel::i32>(cells.size()));
        for (const Cell& c : cells) zel::block::append_value(b, c);
        zel::cell::set_type(&b, t);
        return b;
    }
    static Cell at(Cell series, zel::u32 index) {
        series.w1 = index;
        return series;
    }
    static Cell on_new_line(Cell c) {
        c.header |= zel::cellflag::new_line;
        return c;
    }
    static Cell i(zel::i32 v) { return integer_of(v); }
    static Cell w(std::string_view name) { return word_of(name); }

    static const zel::ActionRow& row(Type t) { return zel::registry().actions(t); }
    static std::string mold(const Cell& v, zel::MoldFlags flags = {}) { return zel::test::molded(v, flags); }
    static std::string form(const Cell& v) { return zel::test::formed(v); }
    static zel::u32 length(const Cell& b) { return zel::node::buffer(b.w2)->used() >> zel::node::buffer(b.w2)->shift(); }
};
