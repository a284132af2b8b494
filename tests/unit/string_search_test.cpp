#include <string>

#include "runtime/datatypes/action-signatures.h"
#include "runtime/datatypes/char.h"
#include "runtime/datatypes/integer.h"
#include "runtime/datatypes/string-search.h"
#include "runtime/memory/series-buffer.h"
#include "string-fixture.h"

using namespace zel;
using namespace zel::test;

namespace {

using StringSearchTest = StringFixture;

Cell typed(Type t, const std::string& utf8, u32 position = 0) {
    Cell cell = text(utf8, position);
    cell::set_type(&cell, t);
    return cell;
}

TEST_F(StringSearchTest, FindCharIsExactAndCountsFromThePosition) {
    struct Case { const char* source; u32 position; u32 width; u32 cp; i32 offset; } const cases[] = {
        {"abcabc", 0, 1, 'c', 2},
        {"abcabc", 1, 1, 'a', 2},
        {"abcabc", 0, 1, 'A', -1},
        {"abcabc", 9, 1, 'a', -1},
        {"", 0, 1, 'a', -1},
        {"a\xC3\xA9\xF0\x9F\x98\x80", 0, 1, 0x1F600, 2},
        {"a\xC3\xA9", 0, 2, 0xE9, 1},
        {"abc", 0, 4, 'c', 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(string::find_char(text(c.source, c.position, c.width), c.cp), c.offset) << c.source << " " << c.cp;
}

TEST_F(StringSearchTest, ContainsCharLooksAtTheFirstCharacterOfEachRecord) {
    struct Case { const char* source; u32 position; i32 record; u32 cp; bool case_sensitive; bool found; } const cases[] = {
        {"aXbYcZ", 0, 2, 'c', true, true},
        {"aXbYcZ", 0, 2, 'Y', true, false},
        {"aXbYcZ", 1, 2, 'Y', true, true},
        {"aXbYcZ", 1, 2, 'c', true, false},
        {"aXbYcZ", 0, 2, 'C', false, true},
        {"aXbYcZ", 0, 2, 'C', true, false},
        {"abcdef", 0, 3, 'd', true, true},
        {"abcdef", 0, 3, 'e', true, false},
        {"abcdef", 0, 7, 'a', true, true},
        // A record size below 1 steps one character at a time.
        {"abc", 0, 0, 'c', true, true},
        {"abc", 0, -4, 'c', true, true},
        {"x\xC3\xA9", 0, 1, 0xC9, false, true},
        {"x\xC3\xA9", 0, 1, 0xC9, true, false},
        {"", 0, 1, 'a', false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(string::contains_char(text(c.source, c.position), c.cp, c.record, c.case_sensitive), c.found)
            << c.source << " at " << c.position << " record " << c.record << " " << c.cp;
}

TEST_F(StringSearchTest, StartsWithCstringComparesBytesAsCodePoints) {
    struct Case { const char* source; u32 position; const char* bytes; bool starts; } const cases[] = {
        {"abcdef", 0, "abc", true},
        {"abcdef", 2, "cd", true},
        {"abcdef", 0, "", true},
        {"ab", 0, "abc", false},
        {"ABC", 0, "abc", false},
        {"\xC3\xA9t\xC3\xA9", 0, "\xE9t", true},       // Latin-1 byte E9 is é
        {"\xC4\x80", 0, "\xC4", false},               // U+0100 matches no byte
    };
    for (const Case& c : cases)
        EXPECT_EQ(string::starts_with_cstring(text(c.source, c.position), c.bytes), c.starts) << c.source << " " << c.bytes;
}

TEST_F(StringSearchTest, CharInBitsetReadsBitsMostSignificantFirst) {
    // Byte 8 is 0x40: bit 65 ("A") only. The bitset covers code points 0-71.
    Cell plain = binary_cell(std::string(8, '\0') + "\x40");
    cell::set_type(&plain, Type::bitset);
    Cell complemented = binary_cell(std::string(8, '\0') + "\x40");
    cell::set_type(&complemented, Type::bitset);
    series_buffer::add_flags(complemented.w2, bufferflag::complemented);

    struct Case { const char* source; u32 position; bool in_plain; bool in_complemented; } const cases[] = {
        {"A", 0, true, true},
        {"B", 0, false, false},
        {"@", 0, false, false},
        {"xA", 1, true, true},
        {"\xC3\xA9", 0, false, true},  // beyond the bitset's bits
        {"z", 0, false, true},
        {"A", 1, false, false},        // nothing at the tail
    };
    for (const Case& c : cases) {
        EXPECT_EQ(string::char_in_bitset(text(c.source, c.position), plain), c.in_plain) << c.source;
        EXPECT_EQ(string::char_in_bitset(text(c.source, c.position), complemented), c.in_complemented) << c.source;
    }
}

TEST_F(StringSearchTest, TagBracketsSurroundRoomForTheTagText) {
    const Cell b = typed(Type::tag, "b");
    EXPECT_TRUE(string::tag_brackets_at(text("<b>x"), b));
    EXPECT_TRUE(string::tag_brackets_at(text("x<i>", 1), b));
    EXPECT_FALSE(string::tag_brackets_at(text("<bc>"), b));
    EXPECT_FALSE(string::tag_brackets_at(text("<b"), b));
    EXPECT_FALSE(string::tag_brackets_at(text("b>"), b));
    EXPECT_FALSE(string::tag_brackets_at(text(""), b));
}

TEST_F(StringSearchTest, MatchAtTestsParseValuesAtThePosition) {
    const Cell input = text("Hello <Em>world");
    Cell at_tag = input;
    at_tag.w1 = 6;
    struct Case { const char* what; Cell input; Cell value; i32 code; bool matches; } const cases[] = {
        {"string prefix", input, text("hello"), compare_code::equal, true},
        {"string prefix, case", input, text("hello"), compare_code::strict_equal, false},
        {"string longer than input", text("He"), text("Hello"), compare_code::equal, false},
        {"empty string", input, text(""), compare_code::equal, true},
        {"file", input, typed(Type::file, "HEL"), compare_code::equal, true},
        {"url", input, typed(Type::url, "Help"), compare_code::equal, false},
        {"email", input, typed(Type::email, "hello <"), compare_code::equal, true},
        {"ref", input, typed(Type::ref, "Hello"), compare_code::strict_equal, true},
        {"char", input, char_::cell('h'), compare_code::equal, true},
        {"char, case", input, char_::cell('h'), compare_code::strict_equal, false},
        {"char, other", input, char_::cell('e'), compare_code::equal, false},
        {"char at the tail", text("a", 1), char_::cell('a'), compare_code::equal, false},
        {"char, non-ASCII", text("\xC3\xA9t\xC3\xA9"), char_::cell(0xC9), compare_code::equal, true},
        {"tag", at_tag, typed(Type::tag, "em"), compare_code::equal, true},
        {"tag, case", at_tag, typed(Type::tag, "em"), compare_code::strict_equal, false},
        {"tag, other", at_tag, typed(Type::tag, "eb"), compare_code::equal, false},
        {"tag, not at a bracket", input, typed(Type::tag, "Hell"), compare_code::equal, false},
        {"integer", input, integer::cell(1), compare_code::equal, false},
        {"binary", input, binary_cell("Hello"), compare_code::equal, false},
    };
    for (const Case& c : cases) EXPECT_EQ(string::match_at(c.input, c.value, c.code), c.matches) << c.what;
    // The test leaves the input's position where it was.
    EXPECT_EQ(at_tag.w1, 6u);
}

}  // namespace
