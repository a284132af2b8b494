#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/datatypes/ownership.h"
#include "runtime/datatypes/string-load.h"
#include "runtime/datatypes/string.h"
#include "runtime/memory/node.h"
#include "runtime/text/string-units.h"
#include "tests/unit/series-fixture.h"
#include "tests/unit/string-fixture.h"

using namespace zel;

namespace {

const std::string e_acute = "\xC3\xA9";       // U+00E9
const std::string euro = "\xE2\x82\xAC";      // U+20AC
const std::string grin = "\xF0\x9F\x98\x80";  // U+1F600

Cell char_of(u32 cp) { return Cell{header_of(Type::char_), 0, cp, 0}; }

// Each ownership call as "action index part".
std::vector<std::string> events;

void record_event(const Cell&, const Cell&, const Cell&, const Cell& action, const Cell&, i32 index, i32 part) {
    events.push_back(std::string(symbol::name(action.w2)) + " " + std::to_string(index) + " " + std::to_string(part));
}

}  // namespace

class StringActionsTest : public SeriesFixture {
protected:
    static Cell text(const std::string& utf8, u32 position = 0, u32 width = 1) {
        return test::text(utf8, position, width);
    }
    static std::string content(const Cell& s) { return test::content(s); }
    static u32 width(const Cell& s) { return test::width_of(s); }
};

TEST_F(StringActionsTest, AppendAndInsertWidenTheTargetAndLeaveTheSourceAsItWas) {
    struct Case {
        const char* what;
        Cell target;
        Cell value;
        bool insert;
        std::string expected;
        u32 expected_width;
    };
    const Cell wide_source = text(euro + "x");
    const std::vector<Case> cases = {
        {"char 233 into an empty string", text(""), char_of(0xE9), false, e_acute, 2},
        {"char 127 stays narrow", text("a"), char_of(0x7F), false, "a\x7F", 1},
        {"4-byte char into the middle", text("ab", 1), char_of(0x1F600), true, "a" + grin + "b", 4},
        {"2-byte text at the tail", text("ab"), wide_source, false, "ab" + euro + "x", 2},
        {"2-byte text in the middle", text("ab", 1), wide_source, true, "a" + euro + "xb", 2},
        {"1-byte text into a 4-byte string", text(grin + "b", 1), text("cd"), true, grin + "cdb", 4},
    };
    for (const Case& c : cases) {
        Cell s = c.target;
        const auto action = c.insert ? row(Type::string).on_insert : row(Type::string).on_append;
        action(&s, &c.value, -1, false, 1, true);
        EXPECT_EQ(content(s), c.expected) << c.what;
        EXPECT_EQ(width(s), c.expected_width) << c.what;
    }
    EXPECT_EQ(width(wide_source), 2u);
    const Cell narrow = text("cd");
    Cell wide = text(grin);
    row(Type::string).on_append(&wide, &narrow, -1, false, 1, true);
    EXPECT_EQ(width(narrow), 1u);
}

TEST_F(StringActionsTest, DupRepeatsTheTextAtAnyWidth) {
    Cell s = text("ab", 1);
    const Cell value = text(e_acute + "x");
    row(Type::string).on_insert(&s, &value, -1, false, 3, true);
    EXPECT_EQ(content(s), "a" + e_acute + "x" + e_acute + "x" + e_acute + "xb");
    EXPECT_EQ(s.w1, 7u);
    Cell t = text("");
    const Cell x = char_of('x');
    row(Type::string).on_append(&t, &x, -1, false, 1000, true);
    EXPECT_EQ(content(t), std::string(1000, 'x'));
}

TEST_F(StringActionsTest, AStringInsertedIntoItselfReadsItsTextAsItWas) {
    struct Case {
        const char* what;
        u32 at;
        u32 from;
        bool change;
        i32 part;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"insert the whole string in the middle", 1, 0, false, -1, "aabcdbcd"},
        {"insert its tail part before it", 0, 2, false, -1, "cdabcd"},
        {"change with a text after the range", 0, 2, true, -1, "cdcd"},
        {"change with a text before the range", 2, 0, true, -1, "ababcd"},
        {"change/part with itself", 1, 0, true, 2, "aabcdd"},
    };
    for (const Case& c : cases) {
        const Cell base = text("abcd");
        Cell s = at(base, c.at);
        const Cell source = at(base, c.from);
        if (c.change) {
            row(Type::string).on_change(&s, &source, c.part, false, 1);
        } else {
            row(Type::string).on_insert(&s, &source, c.part, false, 1, true);
        }
        EXPECT_EQ(content(base), c.expected) << c.what;
    }
    // Repeated copies of a text read from the series being grown.
    const Cell base = text("ab");
    Cell s = at(base, 1);
    const Cell wide = char_of(0x20AC);
    row(Type::string).on_append(&s, &wide, -1, false, 1, true);
    s = at(base, 1);
    const Cell source = at(base, 0);
    row(Type::string).on_insert(&s, &source, -1, false, 2, true);
    EXPECT_EQ(content(base), "aab" + euro + "ab" + euro + "b" + euro);
    EXPECT_EQ(s.w1, 7u);
}

TEST_F(StringActionsTest, SizesBeyondASeriesRaiseNoMemoryAndChangeNothing) {
    Cell s = text("ab");
    const Cell value = text("abc");
    const auto error = test::error_of([&] { row(Type::string).on_append(&s, &value, -1, false, 0x7FFFFFFF, true); });
    EXPECT_EQ(error, ErrorId::internal_no_memory);
    EXPECT_EQ(content(s), "ab");
}

TEST_F(StringActionsTest, ChangingActionsTellTheOwnerBeforeAndAfter) {
    ownership::init();
    ownership::deep_change_hook = record_event;
    events.clear();
    Cell field = text("abc");
    ownership::claim(field, Cell{header_of(Type::object), 1, 0, 1}, w("f"));
    const Cell xy = text("xy");
    Cell s = field;
    row(Type::string).on_append(&s, &xy, -1, false, 1, true);  // "abcxy"
    s = at(field, 1);
    row(Type::string).on_insert(&s, &xy, 1, false, 1, false);  // "axbcxy"
    s = at(field, 0);
    row(Type::string).on_change(&s, &xy, 3, false, 1);  // "xycxy"
    s = field;
    row(Type::string).on_sort(&s, {});  // "cxxyy"
    s = at(field, 1);
    Cell other = text("q");
    row(Type::string).on_swap(&s, &other);  // "cqxyy"
    s = field;
    row(Type::string).on_trim(&s, TrimRefinements{false, false, false, false, false, &xy});  // "cq"
    ownership::deep_change_hook = nullptr;
    const std::vector<std::string> expected = {
        "append 3 1", "appended 3 1", "insert 1 1", "inserted 1 1", "change 0 3", "changed 0 2",
        "sort 0 5",   "sorted 0 5",   "swap 1 1",   "swaped 1 1",   "trim 0 5",   "trimmed 0 2",
    };
    EXPECT_EQ(events, expected);
    EXPECT_EQ(content(field), "cq");
}

TEST_F(StringActionsTest, AHookThatShrinksTheStringLeavesTheActionInBounds) {
    static Cell target;
    target = text("abcdef");
    ownership::init();
    ownership::claim(target, Cell{header_of(Type::object), 1, 0, 1}, w("f"));
    ownership::deep_change_hook = [](const Cell&, const Cell&, const Cell&, const Cell& action, const Cell&, i32, i32) {
        if (symbol::name(action.w2).back() != 'd') node::buffer(target.w2)->tail = node::buffer(target.w2)->head + 1;
    };
    auto reset = [] {
        target = text("abcdef");
        ownership::claim(target, Cell{header_of(Type::object), 1, 0, 1}, w("f"));
    };
    const Cell xy = text("xy");
    Cell s = at(target, 4);
    row(Type::string).on_insert(&s, &xy, -1, false, 1, true);
    EXPECT_EQ(content(target), "axy");
    reset();
    s = at(target, 4);
    row(Type::string).on_change(&s, &xy, 2, false, 1);
    EXPECT_EQ(content(target), "axy");
    reset();
    s = at(target, 2);
    row(Type::string).on_sort(&s, {});
    EXPECT_EQ(content(target), "a");
    reset();
    s = at(target, 3);
    Cell other = text("q");
    row(Type::string).on_swap(&s, &other);
    EXPECT_EQ(content(target), "a");
    EXPECT_EQ(content(other), "q");
    ownership::deep_change_hook = nullptr;
}

TEST_F(StringActionsTest, SetOperationsKeyRecordsOnTheirFirstCharacter) {
    struct Case {
        const char* what;
        std::string first;
        std::string second;
        i32 code;
        bool case_;
        i32 skip;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"unique ignores case", "aAb", "", 8, false, 0, "ab"},
        {"unique/case", "aAb", "", 8, true, 0, "aAb"},
        {"union", "abc", "cdA", 9, false, 0, "abcd"},
        {"intersect", "abcd", "DbX", 10, false, 0, "bd"},
        {"exclude", "abcd", "db", 11, false, 0, "ac"},
        {"difference", "abc", "bcd", 12, false, 0, "ad"},
        {"unique of records", "abacab", "", 8, false, 2, "ab"},
        {"unique of records with other keys", "abAcxy", "", 8, false, 2, "abxy"},
        {"exclude records by their first character", "abxcad", "ac", 11, false, 2, "xc"},
        {"intersect of records", "abxcAd", "aQ", 10, false, 2, "ab"},
        {"difference of records", "abxc", "AQyz", 12, false, 2, "xcyz"},
        {"union of records", "abxc", "AQyz", 9, false, 2, "abxcyz"},
        {"a partial last record is left out", "ababc", "", 8, false, 2, "ab"},
        {"wide characters", e_acute + "x" + e_acute, "", 8, false, 0, e_acute + "x"},
    };
    for (const Case& c : cases) {
        Cell first = text(c.first);
        const Cell second = text(c.second);
        const Cell skip = i(c.skip);
        string::set_op(&first, c.code == 8 ? nullptr : &second, c.case_, static_cast<SetOp>(c.code), c.skip ? &skip : nullptr);
        EXPECT_EQ(first.type(), Type::string) << c.what;
        EXPECT_EQ(content(first), c.expected) << c.what;
    }
    Cell first = text("ab");
    const Cell zero = i(0);
    EXPECT_EQ(test::error_of([&] { string::set_op(&first, nullptr, false, SetOp::unique, &zero); }),
              ErrorId::script_invalid_refine_arg);
}

TEST_F(StringActionsTest, BinaryTextDecodesAsUtf8) {
    const std::string bytes = "a" + euro;
    const Cell decoded = string::to_from_binary(reinterpret_cast<const u8*>(bytes.data()), static_cast<u32>(bytes.size()));
    EXPECT_EQ(content(decoded), bytes);
    const std::string cut = "ab\xE2\x82";
    Cell undecoded{};
    try {
        string::to_from_binary(reinterpret_cast<const u8*>(cut.data()), static_cast<u32>(cut.size()));
    } catch (const ErrorThrow& e) {
        EXPECT_EQ(e.id, ErrorId::access_invalid_utf8);
        undecoded = e.args[0];
    }
    ASSERT_EQ(undecoded.type(), Type::binary);
    EXPECT_EQ(node::buffer(undecoded.w2)->used(), 2u);
    const Cell binary = test::binary_cell("x" + e_acute, 1);
    Cell result{};
    row(Type::string).on_to(&result, &binary, Type::string);
    EXPECT_EQ(content(result), e_acute);
}
