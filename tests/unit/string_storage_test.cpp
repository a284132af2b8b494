#include <string>

#include "runtime/datatypes/string-storage.h"
#include "runtime/memory/node.h"
#include "string-fixture.h"

using namespace zel;
using namespace zel::test;

namespace {

using StringStorageTest = StringFixture;

const std::string e_acute = "\xC3\xA9";          // U+00E9
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

TEST_F(StringStorageTest, TotalLengthAndCharAtHeadIgnoreThePosition) {
    EXPECT_EQ(string::total_length(text("abc", 1)), 3u);
    EXPECT_EQ(string::char_at_head(text("x" + grin, 1, 2), 1), 0x1F600u);
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

}  // namespace
