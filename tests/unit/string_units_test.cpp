#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "runtime/core/raise.h"
#include "runtime/memory/memory.h"
#include "runtime/memory/node.h"
#include "runtime/text/change-case.h"
#include "runtime/text/string-units.h"
#include "runtime/text/string-utf16.h"
#include "runtime/text/string-utf8.h"

using namespace zel;
using namespace zel::unicode;

namespace {

using Bytes = std::vector<u8>;
using Chars = std::vector<u32>;

class StringUnits : public ::testing::Test {
protected:
    void SetUp() override { memory::init(); }
    void TearDown() override { memory::release_all(); }
};

Cell string_of(Node n, u32 index = 0) { return Cell{header_of(Type::string), index, n, 0}; }

Chars chars_of(Node n) {
    Buffer* b = node::buffer(n);
    Chars out;
    for (u32 i = 0; i < b->used(); i += b->unit()) out.push_back(read_unit(b->head_ptr() + i, b->unit()));
    return out;
}

// A string of the given width holding the characters, its head `offset` bytes in (at
// most 32), with no room to spare when the head is at the start.
Node make_string(const Chars& chars, u32 unit, i32 offset = 0) {
    u32 count = static_cast<u32>(chars.size());
    Node n = memory::alloc_series(offset ? 2 * count + 32 : count, unit, offset);
    Buffer* b = node::buffer(n);
    for (u32 cp : chars) {
        write_unit(b->tail_ptr(), unit, cp);
        b->tail += unit;
    }
    return n;
}

// Loads from a heap block of exactly the input's size, so reads past it are caught.
Node load(const Bytes& bytes, u32* unconsumed = nullptr, bool line_ends = false, Node target = 0) {
    Bytes exact(bytes);
    return load_utf8(exact.data(), static_cast<u32>(exact.size()), target, unconsumed, line_ends);
}

Bytes utf8_of(Cell str, i32 count = -1) {
    const u8* p = to_utf8(str, count);
    return Bytes(p, p + count);
}

// The error a call raises and its first argument.
bool raises(ErrorId id, const std::function<void()>& f, Cell* arg = nullptr) {
    try {
        f();
    } catch (const ErrorThrow& e) {
        if (arg) *arg = e.args[0];
        return e.id == id;
    }
    return false;
}

TEST_F(StringUnits, LoadTakesTheNarrowestWidthAndRoundTrips) {
    struct Row {
        const char* what;
        Bytes utf8;
        u32 unit;
        Chars chars;
    };
    const Row rows[] = {
        {"empty", {}, 1, {}},
        {"ASCII", {'a', 'b'}, 1, {'a', 'b'}},
        {"Latin-1", {0xC3, 0xA9}, 1, {0xE9}},
        {"then the BMP", {0xC3, 0xA9, 0xE2, 0x82, 0xAC}, 2, {0xE9, 0x20AC}},
        {"then the astral planes", {0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}, 4,
         {0xE9, 0x20AC, 0x1F600}},
        {"astral first", {0xF0, 0x9F, 0x98, 0x80, 'x'}, 4, {0x1F600, 'x'}},
        {"U+FFFE", {0xEF, 0xBF, 0xBE}, 2, {0xFFFE}},
        {"NUL", {0x00, 'a'}, 1, {0, 'a'}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Node n = load(row.utf8);
        EXPECT_EQ(node::buffer(n)->unit(), row.unit);
        EXPECT_EQ(chars_of(n), row.chars);
        EXPECT_EQ(utf8_of(string_of(n)), row.utf8);
    }
}

TEST_F(StringUnits, ByteOrderMarkAndLineEnds) {
    EXPECT_EQ(chars_of(load({0xEF, 0xBB, 0xBF})), Chars{});
    Node a = load({0xEF, 0xBB, 0xBF, 'A'});
    EXPECT_EQ(chars_of(a), Chars{'A'});
    EXPECT_EQ(node::buffer(a)->unit(), 1u);
    EXPECT_EQ(chars_of(load({'a', '\r', '\n', 'b', '\r', 'c'}, nullptr, true)), (Chars{'a', '\n', 'b', '\n', 'c'}));
    EXPECT_EQ(chars_of(load({'a', '\r', '\n', 'b'})), (Chars{'a', '\r', '\n', 'b'}));
}

TEST_F(StringUnits, InputCutInsideACharacterStopsThere) {
    u32 left = 99;
    EXPECT_EQ(chars_of(load({'A', 0xE2, 0x82}, &left)), Chars{'A'});
    EXPECT_EQ(left, 2u);
    EXPECT_EQ(chars_of(load({0xF0, 0x9F, 0x98}, &left)), Chars{});
    EXPECT_EQ(left, 3u);
    load({0xEF, 0xBB, 0xBF}, &left);
    EXPECT_EQ(left, 0u);
}

TEST_F(StringUnits, InvalidInputRaisesWithTheBytesFromTheSequence) {
    struct Row {
        const char* what;
        Bytes utf8;
        Bytes argument;
    };
    const Row rows[] = {
        {"overlong NUL", {'a', 0xC0, 0x80}, {0xC0, 0x80}},
        {"overlong three-byte", {0xE0, 0x80, 0xAF, 'x', 'y'}, {0xE0, 0x80, 0xAF, 'x'}},
        {"high surrogate", {0xED, 0xA0, 0x80}, {0xED, 0xA0, 0x80}},
        {"low surrogate", {0xED, 0xB0, 0x80}, {0xED, 0xB0, 0x80}},
        {"above U+10FFFF", {0xF4, 0x90, 0x80, 0x80, 'z'}, {0xF4, 0x90, 0x80, 0x80}},
        {"lone continuation", {'a', 0x80, 'b', 'c', 'd', 'e'}, {0x80, 'b', 'c', 'd'}},
        {"broken after widening", {0xE2, 0x82, 0xAC, 0xC3, 'a'}, {0xC3, 'a'}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Cell arg{};
        EXPECT_TRUE(raises(ErrorId::access_invalid_utf8, [&] { load(row.utf8); }, &arg));
        ASSERT_TRUE(arg.is(Type::binary));
        Buffer* b = node::buffer(arg.w2);
        EXPECT_EQ(Bytes(b->head_ptr(), b->tail_ptr()), row.argument);
    }
}

TEST_F(StringUnits, LoadIntoAStringReplacesItsContents) {
    Node s = make_string({0x20AC, 'x', 'y', 'z'}, 2);
    u32 left = 99;
    EXPECT_EQ(load_utf8_into_string(reinterpret_cast<const u8*>("ab"), 2, string_of(s), &left), s);
    EXPECT_EQ(chars_of(s), (Chars{'a', 'b'}));
    EXPECT_EQ(node::buffer(s)->unit(), 2u);  // widths never shrink
    EXPECT_EQ(left, 0u);
    // A longer text than the buffer holds grows it.
    Bytes longer(100, 'q');
    longer.push_back(0xF0), longer.push_back(0x9F), longer.push_back(0x98), longer.push_back(0x80);
    load(longer, nullptr, false, s);
    Chars expected(100, 'q');
    expected.push_back(0x1F600);
    EXPECT_EQ(chars_of(s), expected);
    EXPECT_EQ(node::buffer(s)->unit(), 4u);
}

TEST_F(StringUnits, WideningKeepsEveryCharacter) {
    struct Row {
        u32 from, to;
        i32 head;  // offset of the head in the buffer
    };
    const Row rows[] = {{1, 2, 0}, {1, 4, 0}, {2, 4, 0}, {1, 2, 32}, {1, 4, memory::middle}, {2, 4, 6}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.from << " -> " << row.to << " head " << row.head);
        Chars text;
        for (u32 i = 0; i < 40; ++i) text.push_back(row.from == 1 ? 0xA0 + i : 0x3000 + i);
        Node s = make_string(text, row.from, row.head);
        Buffer* b = widen(node::buffer(s), row.to);
        EXPECT_EQ(b, node::buffer(s));
        EXPECT_EQ(b->unit(), row.to);
        EXPECT_EQ(chars_of(s), text);
        EXPECT_GE(b->size - b->tail, row.to);
    }
    Node s = make_string({'a', 0xFF}, 1);
    EXPECT_EQ(chars_of(s), (Chars{'a', 0xFF}));
    widen_latin1_to_ucs2(node::buffer(s));
    widen_ucs2_to_ucs4(node::buffer(s));
    EXPECT_EQ(chars_of(s), (Chars{'a', 0xFF}));
    EXPECT_EQ(node::buffer(s)->unit(), 4u);
}

TEST_F(StringUnits, Utf8OutputFromTheIndexWithCountsAndLineEnds) {
    Node s = make_string({'h', 0xE9, 'l', '\n', 'o'}, 1);
    EXPECT_EQ(utf8_of(string_of(s)), (Bytes{'h', 0xC3, 0xA9, 'l', '\n', 'o'}));
    EXPECT_EQ(utf8_of(string_of(s, 1), 2), (Bytes{0xC3, 0xA9, 'l'}));
    EXPECT_EQ(utf8_of(string_of(s, 9)), Bytes{});
    Cell str = string_of(s, 2);
    i32 count = -1;
    const u8* p = to_utf8_crlf(str, count, true);
    EXPECT_EQ(Bytes(p, p + count + 1), (Bytes{'l', '\r', '\n', 'o', 0}));
    EXPECT_NE(str.w3, 0u);

    Node wide = make_string({0x20AC, 0x1F600}, 4);
    EXPECT_EQ(utf8_size_of_units(node::buffer(wide)->head_ptr(), node::buffer(wide)->tail_ptr(), 4), 7u);
    Cell w = string_of(wide);
    count = -1;
    to_utf8(w, count);
    EXPECT_EQ(count, 7);

    Node bad = make_string({'a', 0x110000}, 4);
    Cell arg{};
    EXPECT_TRUE(raises(ErrorId::script_invalid_char, [&] { utf8_of(string_of(bad)); }, &arg));
    EXPECT_TRUE(arg.is(Type::integer));
    EXPECT_EQ(arg.w2, 0x110000u);
}

TEST_F(StringUnits, ConversionBufferIsReusedAndGrown) {
    Node s = make_string({'a', 'b'}, 1);
    Cell str = string_of(s);
    i32 count = -1;
    to_utf8(str, count);
    Node scratch = str.w3;
    count = -1;
    EXPECT_EQ(Bytes(to_utf8(str, count), to_utf8(str, count) + 2), (Bytes{'a', 'b'}));
    EXPECT_EQ(str.w3, scratch);
    Bytes many(500, 'z');
    load_utf8_into_string(many.data(), 500, str, nullptr);
    count = -1;
    const u8* p = to_utf8(str, count);
    EXPECT_EQ(count, 500);
    EXPECT_EQ(Bytes(p, p + count), many);
    EXPECT_EQ(str.w3, scratch);
    EXPECT_GE(node::buffer(scratch)->size, 501u);
}

TEST_F(StringUnits, BoundedUtf8NeverCutsACharacter) {
    Node s = make_string({'a', 0xE9, 0x20AC}, 2);
    struct Row {
        u32 capacity;
        Bytes out;    // what is written, NUL included
        u32 written;  // the count returned, NUL excluded
    };
    const Row rows[] = {
        {7, {'a', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0}, 6},
        {6, {'a', 0xC3, 0xA9, 0xE2, 0x82, 0xAC}, 6},
        {5, {'a', 0xC3, 0xA9, 0}, 3},
        {3, {'a', 0xC3, 0xA9}, 3},
        {2, {'a', 0}, 1},
        {0, {}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.capacity);
        Bytes out(8, 0xEE);
        u32 n = encode_string_utf8_bounded(string_of(s), out.data(), row.capacity, -1, true);
        EXPECT_EQ(n, row.written);
        EXPECT_EQ(Bytes(out.data(), out.data() + row.out.size()), row.out);
        EXPECT_EQ(out[row.out.size()], 0xEE);
    }
    Bytes out(16, 0xEE);
    EXPECT_EQ(encode_string_utf8(string_of(s, 1), out.data(), -1, false), 5u);
    EXPECT_EQ(out[5], 0xEE);
}

}  // namespace

namespace {

std::vector<u16> utf16_of(Cell str, bool crlf, i32 count = -1) {
    const u16* p = to_utf16(str, count, crlf);
    if (!p) return {0xFFFF, 0xFFFF, 0xFFFF};
    return std::vector<u16>(p, p + count + 1);  // the NUL included
}

TEST_F(StringUnits, Utf16Output) {
    struct Row {
        const char* what;
        Chars chars;
        u32 unit;
        bool crlf;
        std::vector<u16> units;
    };
    const Row rows[] = {
        {"line ends", {'a', '\n', 'b'}, 1, true, {'a', '\r', '\n', 'b', 0}},
        {"line ends kept", {'a', '\n', 'b'}, 1, false, {'a', '\n', 'b', 0}},
        {"two-byte units copied", {0x20AC, '\n'}, 2, false, {0x20AC, '\n', 0}},
        {"two-byte units and line ends", {0x20AC, '\n'}, 2, true, {0x20AC, '\r', '\n', 0}},
        {"surrogate pair", {0x1F600}, 4, false, {0xD83D, 0xDE00, 0}},
        {"pairs and line ends", {0x10000, '\n', 0x10FFFF}, 4, true, {0xD800, 0xDC00, '\r', '\n', 0xDBFF, 0xDFFF, 0}},
        {"lone surrogate kept", {0xD83D, 'a'}, 4, false, {0xD83D, 'a', 0}},
        {"beyond U+10FFFF fails", {'a', 0x110000}, 4, false, {0xFFFF, 0xFFFF, 0xFFFF}},
        {"empty", {}, 1, true, {0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(utf16_of(string_of(make_string(row.chars, row.unit)), row.crlf), row.units);
    }
    // The count covers every unit written, each half of a pair included.
    Cell str = string_of(make_string({'x', 0x1F600, 'y', 'z'}, 4), 1);
    i32 count = 2;
    to_utf16(str, count, false);
    EXPECT_EQ(count, 3);
}

TEST_F(StringUnits, Utf16Input) {
    struct Row {
        const char* what;
        std::vector<u16> units;
        bool drop_cr;
        u32 unit;
        Chars chars;
    };
    const Row rows[] = {
        {"Latin-1", {'a', 0xE9}, false, 1, {'a', 0xE9}},
        {"BMP", {'a', 0x20AC}, false, 2, {'a', 0x20AC}},
        {"pair", {0xD83D, 0xDE00, 'a'}, false, 4, {0x1F600, 'a'}},
        {"high surrogate at the end", {'a', 0xD83D}, false, 4, {'a', 0xD83D}},
        {"high surrogate before text", {0xD83D, 'a'}, false, 4, {0xD83D, 'a'}},
        {"lone low surrogate", {0xDE00}, false, 4, {0xDE00}},
        {"CR dropped", {'a', '\r', '\n', 0x20AC, '\r'}, true, 2, {'a', '\n', 0x20AC}},
        {"CR dropped among pairs", {'\r', 0xD83D, 0xDE00, '\r', '\n'}, true, 4, {0x1F600, '\n'}},
        {"CR kept", {'a', '\r'}, false, 1, {'a', '\r'}},
        {"empty", {}, false, 1, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<u16> exact(row.units);
        Node n = load_utf16le(exact.data(), static_cast<u32>(exact.size()), 0, row.drop_cr);
        EXPECT_EQ(node::buffer(n)->unit(), row.unit);
        EXPECT_EQ(chars_of(n), row.chars);
    }
    // Into an existing string: rewritten from its head, grown as needed.
    Node s = make_string({'q'}, 1);
    std::vector<u16> text(60, 0x3042);
    EXPECT_EQ(load_utf16le(text.data(), 60, s, false), s);
    EXPECT_EQ(chars_of(s), Chars(60, 0x3042));
    EXPECT_EQ(node::buffer(s)->unit(), 2u);
}

TEST_F(StringUnits, Utf16RoundTrip) {
    const Chars text = {'a', 0xE9, '\n', 0x20AC, 0x1F600, 0x10FFFF, 0xFFFE, 'z'};
    Cell str = string_of(make_string(text, 4));
    i32 count = -1;
    const u16* p = to_utf16(str, count, true);
    std::vector<u16> units(p, p + count);
    Node back = load_utf16le(units.data(), static_cast<u32>(units.size()), 0, true);
    EXPECT_EQ(chars_of(back), text);
}

}  // namespace

namespace {

TEST_F(StringUnits, ChangeCaseInPlaceWidensWhenNeeded) {
    struct Row {
        const char* what;
        Chars chars;
        u32 unit;
        u32 index, count;
        CaseDirection direction;
        Chars result;
        u32 result_unit;
    };
    const auto up = CaseDirection::upper, low = CaseDirection::lower;
    const Row rows[] = {
        {"Latin-1 stays narrow", {'a', 0xE9, 'z'}, 1, 0, 9, up, {'A', 0xC9, 'Z'}, 1},
        {"y diaeresis widens", {'a', 0xFF, 'b'}, 1, 0, 9, up, {'A', 0x178, 'B'}, 2},
        {"sharp s keeps its one letter", {0xDF, 'a'}, 1, 0, 9, up, {0xDF, 'A'}, 1},
        {"from the index, for a count", {'a', 'b', 'c', 'd'}, 1, 1, 2, up, {'a', 'B', 'C', 'd'}, 1},
        {"index past the tail", {'a'}, 1, 5, 2, up, {'a'}, 1},
        {"Adlam lowers", {0x1E921, 0x1E900}, 4, 0, 9, low, {0x1E943, 0x1E922}, 4},
        {"Greek and Cyrillic", {0x3A3, 0x416}, 2, 0, 9, low, {0x3C3, 0x436}, 2},
        {"Georgian", {0x10D0, 'x'}, 2, 0, 9, up, {0x1C90, 'X'}, 2},
        {"capital I with dot lowers", {0x130}, 2, 0, 9, low, {'i'}, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Node s = make_string(row.chars, row.unit);
        change_case_units(s, row.index, row.count, row.direction);
        EXPECT_EQ(chars_of(s), row.result);
        EXPECT_EQ(node::buffer(s)->unit(), row.result_unit);
    }
}

}  // namespace
