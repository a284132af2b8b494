#include <string>

#include "runtime/datatypes/string-concatenate.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "string-fixture.h"

using namespace zel;
using namespace zel::test;

namespace {

using StringConcatenateTest = StringFixture;

const std::string e_acute = "\xC3\xA9";
const std::string grin = "\xF0\x9F\x98\x80";

TEST_F(StringConcatenateTest, AppendInsertAndOverwrite) {
    using string::Concat;
    struct Case {
        std::string destination;
        u32 position;
        std::string source;
        u32 source_position;
        i32 part;
        u32 offset;
        Concat mode;
        std::string expected;
    } const cases[] = {
        {"ab", 0, "cd", 0, -1, 0, Concat::append, "abcd"},
        {"ab", 1, "cd", 0, -1, 0, Concat::append, "abcd"},
        {"ab", 0, "xcd", 1, -1, 0, Concat::append, "abcd"},
        {"ab", 0, "cde", 0, 1, 0, Concat::append, "abc"},
        {"ab", 0, "cde", 0, 0, 0, Concat::append, "ab"},
        {"ab", 0, "cde", 0, 7, 0, Concat::append, "abcde"},
        {"ab", 0, "", 0, -1, 0, Concat::append, "ab"},
        {"ab", 1, "XY", 0, -1, 0, Concat::insert, "aXYb"},
        {"ab", 0, "XY", 0, -1, 1, Concat::insert, "aXYb"},
        {"ab", 2, "XY", 0, -1, 0, Concat::insert, "abXY"},
        {"ab", 1, "XY", 0, -1, 5, Concat::insert, "abXY"},
        {"ab", 0, "XYZ", 0, 2, 0, Concat::insert, "XYab"},
        {"abcd", 1, "XY", 0, -1, 0, Concat::overwrite, "aXYd"},
        {"abc", 2, "XYZ", 0, -1, 0, Concat::overwrite, "abXYZ"},
        {"abc", 0, "XY", 0, -1, 3, Concat::overwrite, "abcXY"},
        {"ab", 0, std::string(1000, 'x'), 0, -1, 0, Concat::insert, std::string(1000, 'x') + "ab"},
    };
    for (const Case& c : cases) {
        const Cell destination = text(c.destination, c.position);
        string::concatenate(destination, text(c.source, c.source_position), c.part, c.offset, false, c.mode);
        EXPECT_EQ(content(destination), c.expected)
            << c.destination << " " << static_cast<u32>(c.mode) << " " << c.source << " part " << c.part;
    }
}

TEST_F(StringConcatenateTest, WidthsMeetAtTheWiderOne) {
    // A narrower destination widens.
    const Cell narrow = text("ab");
    string::concatenate(narrow, text(e_acute + grin), -1, 0, false, string::Concat::insert);
    EXPECT_EQ(content(narrow), e_acute + grin + "ab");
    EXPECT_EQ(width_of(narrow), 4u);

    // A narrower source widens in place unless it is to be kept; its text never changes.
    const Cell wide = text(e_acute, 0, 2);
    const Cell widened = text("xy");
    string::concatenate(wide, widened, -1, 0, false, string::Concat::append);
    EXPECT_EQ(width_of(widened), 2u);
    EXPECT_EQ(content(widened), "xy");
    const Cell kept = text("zw");
    string::concatenate(wide, kept, -1, 0, true, string::Concat::overwrite);
    EXPECT_EQ(width_of(kept), 1u);
    EXPECT_EQ(content(wide), "zwy");
    EXPECT_EQ(width_of(wide), 2u);
}

TEST_F(StringConcatenateTest, ASourceInTheSameSeriesIsReadAsItWas) {
    const Cell appended = text("abc");
    string::concatenate(appended, appended, -1, 0, false, string::Concat::append);
    EXPECT_EQ(content(appended), "abcabc");

    // Inserting before the source's own characters moves them; the copy is the old text.
    const Cell source = text("abc");
    Cell at_b = source;
    at_b.w1 = 1;
    string::concatenate(at_b, source, -1, 0, false, string::Concat::insert);
    EXPECT_EQ(content(source), "aabcbc");

    const Cell overlapping = text("abcdef", 1);
    Cell from_c = overlapping;
    from_c.w1 = 2;
    string::concatenate(overlapping, from_c, -1, 0, false, string::Concat::overwrite);
    EXPECT_EQ(content(overlapping), "acdeff");
}

TEST_F(StringConcatenateTest, ASymbolGivesItsNameAndStaysAsItWas) {
    const Cell form = text("na" + e_acute);
    const Cell symbol{header_of(Type::symbol), static_cast<u32>(-1), form.w2, 0};
    const Cell destination = text(grin);
    string::concatenate(destination, symbol, -1, 0, false, string::Concat::append);
    EXPECT_EQ(content(destination), grin + "na" + e_acute);
    EXPECT_EQ(width_of(form), 1u);
}

}  // namespace
