#include <string>
#include <vector>

#include "runtime/datatypes/string-load.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "string-fixture.h"

using namespace zel;
using namespace zel::test;

namespace {

using StringLoadTest = StringFixture;

Cell loaded(const std::string& bytes, i32 encoding) {
    Cell out{};
    string::load_text(reinterpret_cast<const u8*>(bytes.data()), static_cast<u32>(bytes.size()), encoding, out);
    return out;
}

TEST_F(StringLoadTest, DecodesIntoTheNarrowestWidth) {
    struct Case { std::string bytes; i32 encoding; std::string text; u32 width; } const cases[] = {
        {"caf\xC3\xA9", string::encoding::utf8, "caf\xC3\xA9", 1},
        {"a\r\nb", string::encoding::utf8, "a\r\nb", 1},
        {"\xE2\x82\xAC", string::encoding::utf8, "\xE2\x82\xAC", 2},
        {"", string::encoding::utf8, "", 1},
        {std::string("A\0\xE9\0", 4), string::encoding::utf16le, "A\xC3\xA9", 1},
        {std::string("\xAC\x20", 2), string::encoding::utf16le, "\xE2\x82\xAC", 2},
        {std::string("a\0\x3D\xD8\x00\xDE", 6), string::encoding::utf16le, "a\xF0\x9F\x98\x80", 4},
        // An odd last byte is no character.
        {std::string("a\0b", 3), string::encoding::utf16le, "a", 1},
    };
    for (const Case& c : cases) {
        const Cell text = loaded(c.bytes, c.encoding);
        EXPECT_EQ(text.type(), Type::string);
        EXPECT_EQ(text.w1, 0u);
        EXPECT_EQ(content(text), c.text) << c.text;
        EXPECT_EQ(width_of(text), c.width) << c.text;
    }
}

TEST_F(StringLoadTest, InvalidUtf8RaisesAnError) {
    EXPECT_EQ(error_of([] { loaded("a\xC3(", string::encoding::utf8); }), ErrorId::access_invalid_utf8);
}

TEST_F(StringLoadTest, LoadTextInAppendsToTheBlock) {
    const Cell block{header_of(Type::block), 0, memory::alloc_cells(1), 0};
    const std::string one = "one", two = "tw\xC3\xB3";
    string::load_text_in(reinterpret_cast<const u8*>(one.data()), 3, block, string::encoding::utf8);
    const Cell second =
        string::load_text_in(reinterpret_cast<const u8*>(two.data()), 4, block, string::encoding::utf8);
    Buffer* b = node::buffer(block.w2);
    ASSERT_EQ(b->used(), 2 * sizeof(Cell));
    EXPECT_EQ(content(b->cells()[0]), one);
    EXPECT_EQ(b->cells()[1].w2, second.w2);
    EXPECT_EQ(content(second), two);
}

TEST(StringLoadDeathTest, AnUnknownEncodingEndsTheProcessWithFailure) {
    EXPECT_EXIT(loaded("abc", 7), ::testing::ExitedWithCode(1), "");
}

}  // namespace
