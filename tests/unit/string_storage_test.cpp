#include <string>

#include "runtime/datatypes/string-storage.h"
#include "runtime/memory/node.h"
#include "string-fixture.h"

using namespace zel;
using namespace zel::test;

namespace {

using StringStorageTest = StringFixture;

const std::string e_acute = "\xC3\xA9";          // U+00E9
const std::string a_macron = "\xC4\x80";         // U+0100
const std::string euro = "\xE2\x82\xAC";         // U+20AC
const std::string grin = "\xF0\x9F\x98\x80";     // U+1F600

TEST_F(StringStorageTest, MakeAtGivesAnEmptyStringWithRoom) {
    Cell cell{};
    string::make_at(cell, 0);
    EXPECT_EQ(cell.type(), Type::string);
    EXPECT_EQ(cell.w1, 0u);
    EXPECT_EQ(cell.w3, 0u);
    EXPECT_EQ(string::total_length(cell), 0u);
    EXPECT_EQ(width_of(cell), 1u);
    EXPECT_GE(node::buffer(cell.w2)->size, 1u);
    string::make_at_width(cell, 5, 4);
    EXPECT_EQ(width_of(cell), 4u);
    EXPECT_GE(node::buffer(cell.w2)->size, 20u);
}

TEST_F(StringStorageTest, LengthMovesAPositionPastTheTailBack) {
    Cell past = text("abc", 7);
    EXPECT_TRUE(string::at_tail(past));
    EXPECT_EQ(string::length(past), 0u);
    EXPECT_EQ(past.w1, 3u);
    Cell inside = text("abc", 1);
    EXPECT_FALSE(string::at_tail(inside));
    EXPECT_EQ(string::length(inside), 2u);
    EXPECT_EQ(inside.w1, 1u);
    EXPECT_EQ(string::total_length(inside), 3u);
    EXPECT_EQ(string::char_at_head(text("x" + grin, 1, 2), 1), 0x1F600u);
}

TEST_F(StringStorageTest, AdvanceStaysBetweenHeadAndTail) {
    struct Case { u32 position; i32 n; u32 expected; } const cases[] = {
        {1, 1, 2}, {1, 5, 3}, {1, -4, 0}, {7, -1, 2}, {0, 0, 0}, {2, -2147483647 - 1, 0}, {2, 2147483647, 3},
    };
    for (const Case& c : cases) {
        Cell cell = text("abc", c.position);
        string::advance(cell, c.n);
        EXPECT_EQ(cell.w1, c.expected) << c.position << " + " << c.n;
    }
}

TEST_F(StringStorageTest, ResetEmptiesToOneByteUnits) {
    Cell cell = text("a" + grin, 1);
    string::reset(cell);
    EXPECT_EQ(cell.w1, 0u);
    EXPECT_EQ(width_of(cell), 1u);
    EXPECT_EQ(content(cell), "");
    string::insert_char_at(cell.w2, 0, 'z');
    EXPECT_EQ(content(cell), "z");
}

TEST_F(StringStorageTest, PokeCharAtWidensGrowsAndMovesTheTail) {
    struct Case { std::string source; u32 index; u32 cp; std::string expected; u32 width; } const cases[] = {
        {"abc", 1, 'X', "aXc", 1},
        {"abc", 3, 'd', "abcd", 1},
        {"abc", 5, 'e', std::string("abc\0\0e", 6), 1},
        {"abc", 1, 0xE9, "a" + e_acute + "c", 1},
        {"abc", 1, 0x100, "a" + a_macron + "c", 2},
        {"abc", 0, 0x1F600, grin + "bc", 4},
        {"a", 100, 'z', "a" + std::string(99, '\0') + "z", 1},
    };
    for (const Case& c : cases) {
        const Cell cell = text(c.source);
        string::poke_char_at(cell.w2, c.index, c.cp);
        EXPECT_EQ(content(cell), c.expected) << c.source << " [" << c.index << "]";
        EXPECT_EQ(width_of(cell), c.width) << c.source << " [" << c.index << "]";
    }
}

TEST_F(StringStorageTest, WriteCharWidensButLeavesTheTail) {
    const Cell cell = text("abc");
    string::write_char(cell.w2, 1, 0xE9);
    EXPECT_EQ(content(cell), "a" + e_acute + "c");
    EXPECT_EQ(width_of(cell), 1u);
    string::write_char(cell.w2, 0, 0x20AC);
    EXPECT_EQ(content(cell), euro + e_acute + "c");
    EXPECT_EQ(width_of(cell), 2u);
    string::write_char(cell.w2, 3, 'd');
    EXPECT_EQ(content(cell), euro + e_acute + "c");
    EXPECT_EQ(string::char_at_head(cell, 3), u32{'d'});
}

TEST_F(StringStorageTest, InsertCharAtMovesTheRestUp) {
    struct Case { std::string source; u32 index; u32 cp; std::string expected; u32 width; } const cases[] = {
        {"abc", 0, 'X', "Xabc", 1},
        {"abc", 2, 'X', "abXc", 1},
        {"abc", 3, 'X', "abcX", 1},
        {"abc", 9, 'X', "abcX", 1},
        {"", 0, 'X', "X", 1},
        {"abc", 1, 0x1F600, "a" + grin + "bc", 4},
        {euro, 0, 'a', "a" + euro, 2},
    };
    for (const Case& c : cases) {
        const Cell cell = text(c.source);
        string::insert_char_at(cell.w2, c.index, c.cp);
        EXPECT_EQ(content(cell), c.expected) << c.source << " [" << c.index << "]";
        EXPECT_EQ(width_of(cell), c.width) << c.source << " [" << c.index << "]";
    }
    const Cell grown = text("z");
    for (u32 i = 0; i < 300; ++i) string::insert_char_at(grown.w2, 0, 'a' + i % 26);
    EXPECT_EQ(string::total_length(grown), 301u);
    EXPECT_EQ(string::char_at_head(grown, 0), u32{'a' + 299 % 26});
    EXPECT_EQ(string::char_at_head(grown, 300), u32{'z'});
}

TEST_F(StringStorageTest, RemoveCharsStopsAtTheTail) {
    struct Case { std::string source; u32 index; u32 count; std::string expected; } const cases[] = {
        {"abcdef", 1, 2, "adef"},
        {"abcdef", 4, 9, "abcd"},
        {"abcdef", 6, 1, "abcdef"},
        {"abcdef", 0, 0, "abcdef"},
        {"a" + grin + "b", 1, 1, "ab"},
    };
    for (const Case& c : cases) {
        const Cell cell = text(c.source);
        string::remove_chars(cell, c.index, c.count);
        EXPECT_EQ(content(cell), c.expected) << c.source << " " << c.index << " " << c.count;
    }
    const Cell one = text("xyz");
    string::remove_chars(one, 1, 1);
    EXPECT_EQ(content(one), "xz");
}

TEST_F(StringStorageTest, MoveCharsWithinOneSeries) {
    struct Case { u32 from; u32 count; u32 to; std::string expected; } const cases[] = {
        {0, 2, 4, "cdabef"},   // forward: before "e"
        {4, 2, 1, "aefbcd"},   // backward: before "b"
        {0, 2, 6, "cdefab"},   // to the tail
        {1, 3, 2, "abcdef"},   // into the moved characters: nothing
        {0, 2, 2, "abcdef"},   // just after them: nothing
        {4, 9, 0, "efabcd"},   // the count stops at the tail
    };
    for (const Case& c : cases) {
        const Cell source = text("abcdef", c.from);
        Cell destination = source;
        destination.w1 = c.to;
        string::move_chars(source, destination, c.count);
        EXPECT_EQ(content(source), c.expected) << c.from << " " << c.count << " " << c.to;
    }
}

TEST_F(StringStorageTest, MoveCharsBetweenSeriesWidensTheDestination) {
    const Cell source = text("a" + e_acute + grin + "b", 1);
    const Cell destination = text("XY", 1);
    string::move_chars(source, destination, 2);
    EXPECT_EQ(content(source), "ab");
    EXPECT_EQ(content(destination), "X" + e_acute + grin + "Y");
    EXPECT_EQ(width_of(destination), 4u);
}

TEST_F(StringStorageTest, CopyWideningCopiesARangeIntoAWiderSeries) {
    const Cell source = text("a" + e_acute + grin + "b");
    const Node fresh = string::copy_widening(source.w2, 1, 2, 0, 0, true);
    const Cell copy{header_of(Type::string), 0, fresh, 0};
    EXPECT_EQ(content(copy), e_acute + grin);
    EXPECT_EQ(width_of(copy), 4u);

    const Cell target = text("xyz");
    string::copy_widening(source.w2, 1, 2, target.w2, 1, true);
    EXPECT_EQ(content(target), "x" + e_acute + grin);
    EXPECT_EQ(width_of(target), 4u);

    const Cell kept_tail = text("xyz");
    string::copy_widening(text("AB", 0, 2).w2, 0, 9, kept_tail.w2, 0, false);
    EXPECT_EQ(content(kept_tail), "ABz");
    EXPECT_EQ(width_of(kept_tail), 2u);
}

TEST_F(StringStorageTest, SwapRegionsExchangesAdjacentRuns) {
    struct Case { std::string source; u32 width; u32 start; u32 first; u32 second; std::string expected; } const cases[] = {
        {"abcdefg", 1, 1, 2, 3, "adefbcg"},
        {"abcdefg", 4, 1, 2, 3, "adefbcg"},
        {"abcdefg", 1, 0, 0, 3, "abcdefg"},
        {"abcdefg", 1, 5, 1, 9, "abcdegf"},
        {"ab" + euro + "c", 2, 0, 2, 2, euro + "cab"},
    };
    for (const Case& c : cases) {
        const Cell cell = text(c.source, 0, c.width);
        string::swap_regions(cell.w2, c.start, c.first, c.second);
        EXPECT_EQ(content(cell), c.expected) << c.source;
    }
}

}  // namespace
