#include <gtest/gtest.h>

#include <string>

#include "action_call.h"
#include "runtime/datatypes/integer.h"

using namespace zel;
using namespace zel::test;

namespace {

class StringOutputTest : public ::testing::Test {
protected:
    void SetUp() override { ensure_datatypes(); }

    static Cell text(const std::string& utf8, u32 position = 0) { return string_cell(utf8, position); }
};

TEST_F(StringOutputTest, MoldChoosesQuotesOrBracesAndEscapes) {
    const std::string a49(49, 'a'), a50(50, 'a');
    struct Case { std::string source, mold; } const cases[] = {
        {"abc", "\"abc\""},
        {"", "\"\""},
        {a49, "\"" + a49 + "\""},
        {a50, "{" + a50 + "}"},
        {"a\nb\nc", "\"a^/b^/c\""},
        {"a\nb\nc\nd", "{a^/b^/c^/d}"},
        {"say \"hi\"", "{say \"hi\"}"},
        // In braces, a matched pair stays bare and an unmatched brace is escaped.
        {"\"{a}", "{\"{a}}"},
        {"\"{{a}}", "{\"{{a}}}"},
        {"\"{a", "{\"^{a}"},
        {"\"a}", "{\"a^}}"},
        {"\"}{", "{\"^}^{}"},
        {"\"{a}{", "{\"{a}^{}"},
        // From the first unmatched "{" on, every brace is escaped.
        {"\"{{a}", "{\"^{^{a^}}"},
        // In quotes, braces are bare.
        {"{a}", "\"{a}\""},
        {"}{", "\"}{\""},
        {"^", "\"^^\""},
        {"\"^", "{\"^^}"},
        {"a\tb", "\"a^-b\""},
        {std::string("\0\x1E\x7F\x1B", 4), "\"^@^(1E)^~^[\""},
        {"\xC2\x80", "\"^(80)\""},
        {"caf\xC3\xA9 \xE4\xB8\xAD", "\"caf\xC3\xA9 \xE4\xB8\xAD\""},
        {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},
    };
    for (const Case& c : cases) EXPECT_EQ(molded(text(c.source)), c.mold) << c.source;
}

TEST_F(StringOutputTest, MoldAllWritesNonAsciiAsHex) {
    const MoldFlags all{false, true, false};
    EXPECT_EQ(molded(text("caf\xC3\xA9 \xE4\xB8\xAD"), all), "\"caf^(E9) ^(4E2D)\"");
    EXPECT_EQ(molded(text("\"\xC3\xA9"), all), "{\"^(E9)}");
}

TEST_F(StringOutputTest, MoldStartsAtThePosition) {
    EXPECT_EQ(molded(text("abcd", 2)), "\"cd\"");
    EXPECT_EQ(molded(text("abcd", 9)), "\"\"");
    // The 50-character rule counts from the position.
    EXPECT_EQ(molded(text(std::string(51, 'a'), 2)), "\"" + std::string(49, 'a') + "\"");
}

TEST_F(StringOutputTest, MoldPartScansOnlyWhatTheLimitAllows) {
    const Cell part = integer::cell(4);
    EXPECT_EQ(molded(text("abcdef"), {}, &part), "\"abc");
    // Called directly, the mold writes the allowed characters and both delimiters.
    Output out;
    const Cell three = integer::cell(3);
    EXPECT_EQ(mold_string(out, text(std::string(100, 'a')), &three, 3, false), -2);
    EXPECT_EQ(out.utf8(), "{aaa}");
    Output past;
    EXPECT_EQ(mold_string(past, text("abc"), &three, -5, false), -7);
    EXPECT_EQ(past.utf8(), "\"\"");
}

TEST_F(StringOutputTest, Form) {
    EXPECT_EQ(formed(text("a\"b{\n")), "a\"b{\n");
    EXPECT_EQ(formed(text("abc", 1)), "bc");
    const Cell part = integer::cell(2);
    EXPECT_EQ(formed(text("abcdef"), &part), "ab");
}

TEST_F(StringOutputTest, PartBelowOneGivesEmptyOutput) {
    for (i32 count : {0, -1}) {
        const Cell part = integer::cell(count);
        EXPECT_EQ(molded(integer::cell(12345), {}, &part), "");
        EXPECT_EQ(formed(text("abc"), &part), "");
    }
    const Cell part = integer::cell(3);
    EXPECT_EQ(molded(integer::cell(12345), {}, &part), "123");
}

TEST_F(StringOutputTest, OutputWidensAsCharactersArrive) {
    Output out;
    out.append_ascii("ab");
    EXPECT_EQ(out.unit(), 1u);
    out.append_char(0xE9);
    EXPECT_EQ(out.unit(), 2u);
    out.append_char(0x1F600);
    EXPECT_EQ(out.unit(), 4u);
    EXPECT_EQ(out.utf8(), "ab\xC3\xA9\xF0\x9F\x98\x80");
    // Many appends grow the buffer past its first 16 units.
    for (int i = 0; i < 100; ++i) out.append_char('x');
    EXPECT_EQ(out.length(), 104u);
    out.limit_length(3);
    EXPECT_EQ(out.utf8(), "ab\xC3\xA9");
}

TEST_F(StringOutputTest, AValueWithoutMoldIsRefused) {
    const Cell event{header_of(Type::event), 0, 0, 0};
    EXPECT_EQ(error_of([&] { molded(event); }), ErrorId::script_expect_arg);
    EXPECT_EQ(error_of([&] { formed(event); }), ErrorId::script_expect_arg);
}

TEST_F(StringOutputTest, AppendIndent) {
    Output out;
    out.append_ascii("[");
    EXPECT_EQ(append_indent(out, 2, 100), 92);
    EXPECT_EQ(append_indent(out, 0, 92), 92);
    EXPECT_EQ(out.utf8(), "[        ");
}

TEST_F(StringOutputTest, IntToHex) {
    struct Case { u32 value; bool trim; const char* hex; } const cases[] = {
        {30, true, "1E"},          {0, true, "00"},           {5, true, "5"},
        {0x4E2D, true, "4E2D"},    {255, false, "000000FF"},  {0xFFFFFFFF, false, "FFFFFFFF"},
        {0xFFFFFFFF, true, "FF"},  {0xFFFFFFF0, true, "F0"},  {0xFFFFFF00, true, "F00"},
        {0x80000000, true, "80000000"},
    };
    for (const Case& c : cases) EXPECT_EQ(int_to_hex(c.value, c.trim), c.hex) << c.value;
}

}  // namespace
