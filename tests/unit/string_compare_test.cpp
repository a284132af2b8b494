#include <string>

#include "runtime/datatypes/action-signatures.h"
#include "runtime/datatypes/string-compare.h"
#include "runtime/memory/memory.h"
#include "string-fixture.h"

using namespace zel;
using namespace zel::test;

namespace {

using StringCompareTest = StringFixture;

namespace code = compare_code;

struct Case {
    const char* first;
    const char* second;
    i32 code;
    bool match;
    i32 expected;
};

void expect_cases(const Case* begin, const Case* end, u32 width1 = 1, u32 width2 = 1) {
    for (const Case* c = begin; c != end; ++c) {
        const Cell a = text(c->first, 0, width1);
        const Cell b = text(c->second, 0, width2);
        EXPECT_EQ(string::compare_values(a, b, c->code, c->match), c->expected)
            << '"' << c->first << "\" vs \"" << c->second << "\" code " << c->code << (c->match ? " match" : "")
            << " widths " << width1 << "/" << width2;
    }
}

TEST_F(StringCompareTest, CaseFoldsUnlessTheCodeAsksForCase) {
    const Case cases[] = {
        {"abc", "ABC", code::equal, false, 0},
        {"abc", "ABC", code::not_equal, false, 0},
        {"abc", "ABC", code::find, false, 0},
        {"abc", "ABC", code::strict_equal, false, 1},
        {"ABC", "abc", code::strict_equal, false, -1},
        {"abc", "ABC", code::case_sort, false, 1},
        {"abc", "abc", code::strict_equal, false, 0},
        {"abd", "ABC", code::lesser, false, 1},
        {"abc", "ABD", code::sort, false, -1},
    };
    expect_cases(std::begin(cases), std::end(cases));
}

TEST_F(StringCompareTest, UnderscoreOrdersAfterLettersOnlyWhenCaseIsFolded) {
    // Folding takes letters to upper case (65-90), below "_" (95); lower case is above it.
    const Case cases[] = {
        {"a", "_", code::lesser, false, -1},
        {"a", "_", code::sort, false, -1},
        {"_", "a", code::greater_or_equal, false, 1},
        {"a", "_", code::case_sort, false, 1},
        {"A", "_", code::case_sort, false, -1},
        {"a_", "aa", code::sort, false, 1},
        {"a_", "aa", code::case_sort, false, -1},
    };
    expect_cases(std::begin(cases), std::end(cases));
}

TEST_F(StringCompareTest, LengthsDecideEqualityAndBreakOrderingTies) {
    const Case cases[] = {
        {"ab", "abc", code::equal, false, 1},
        {"ab", "abc", code::strict_equal, false, 1},
        {"ab", "abc", code::find, false, 1},
        {"abc", "ab", code::equal, false, 1},
        {"ab", "abc", code::lesser, false, -1},
        {"abc", "ab", code::lesser, false, 1},
        {"ab", "ABC", code::sort, false, -1},
        {"b", "abc", code::lesser, false, 1},
        {"abc", "b", code::lesser, false, -1},
        {"", "a", code::lesser, false, -1},
        {"a", "", code::lesser, false, 1},
        {"a", "", code::equal, false, 1},
        {"", "", code::equal, false, 0},
        {"", "", code::lesser, false, 0},
    };
    expect_cases(std::begin(cases), std::end(cases));
}

TEST_F(StringCompareTest, MatchModeTestsAPrefix) {
    const Case cases[] = {
        {"abc", "ab", code::equal, true, 0},
        {"abc", "abc", code::equal, true, 0},
        {"ABC", "ab", code::equal, true, 0},
        {"ABC", "ab", code::strict_equal, true, -1},
        {"ab", "abc", code::equal, true, 1},
        {"abc", "abd", code::equal, true, -1},
        {"abc", "", code::equal, true, 0},
        {"abc", "", code::strict_equal, true, 0},
        {"abc", "", code::find, true, 1},
        {"", "", code::equal, true, 0},
        {"", "a", code::equal, true, 1},
    };
    expect_cases(std::begin(cases), std::end(cases));
}

TEST_F(StringCompareTest, NonAsciiLettersFoldThroughTheCaseMapping) {
    const Case cases[] = {
        {"\xC3\xA9", "\xC3\x89", code::equal, false, 0},                  // é É
        {"\xC3\xA9", "\xC3\x89", code::strict_equal, false, 1},
        {"caf\xC3\xA9", "CAF\xC3\x89", code::find, false, 0},
        {"\xCF\x83", "\xCE\xA3", code::equal, false, 0},                  // σ Σ
        {"\xCF\x82", "\xCE\xA3", code::equal, false, 0},                  // final ς Σ
        {"\xCE\xB1\xCE\xB2", "\xCE\x91\xCE\x92", code::equal, false, 0},  // αβ ΑΒ
        {"\xF0\x90\x90\xA8", "\xF0\x90\x90\x80", code::equal, false, 0},  // Deseret small and capital long I
        {"\xF0\x90\x90\xA8", "\xF0\x90\x90\x80", code::strict_equal, false, 1},
        {"\xC3\xBF", "\xC5\xB8", code::equal, false, 0},                  // ÿ Ÿ: 1-byte against 2-byte
        {"\xC3\xA9", "F", code::lesser, false, 1},                        // É sorts after F
        {"\xC3\x89T\xC3\x89", "\xC3\xA9t", code::equal, true, 0},          // ÉTÉ begins with ét
    };
    expect_cases(std::begin(cases), std::end(cases));
}

TEST_F(StringCompareTest, TextsOfDifferentUnitWidthsCompareByCodePoint) {
    const Case cases[] = {
        {"abc", "abc", code::strict_equal, false, 0},
        {"abc", "ABC", code::equal, false, 0},
        {"abc", "abd", code::lesser, false, -1},
        {"\xC3\xA9t\xC3\xA9", "\xC3\xA9t", code::equal, true, 0},
        {"z", "\xC3\xA9", code::case_sort, false, -1},
    };
    for (const auto& [w1, w2] : {std::pair{1u, 2u}, {1u, 4u}, {4u, 2u}, {2u, 1u}})
        expect_cases(std::begin(cases), std::end(cases), w1, w2);
}

TEST_F(StringCompareTest, TextsStartAtTheirPositions) {
    const Cell sentence = text("xxAbc");
    Cell from_a = sentence;
    from_a.w1 = 2;
    EXPECT_EQ(string::compare_values(from_a, text("abc"), code::equal, false), 0);
    EXPECT_EQ(string::compare_values(text("abc", 1), text("BC"), code::equal, false), 0);
    // A position past the tail reads as the empty text.
    EXPECT_EQ(string::compare_values(text("abc", 7), text(""), code::equal, false), 0);
    EXPECT_EQ(string::compare_values(text("abc", 7), text("a"), code::lesser, false), -1);
}

TEST_F(StringCompareTest, SameMeansOneSeriesAtOnePosition) {
    const Cell a = text("abc");
    Cell a_next = a;
    a_next.w1 = 1;
    EXPECT_EQ(string::compare_values(a, a, code::same, false), 0);
    EXPECT_EQ(string::compare_values(a, text("abc"), code::same, false), -1);
    EXPECT_EQ(string::compare_values(a, a_next, code::same, false), -1);
    // The same value is equal to itself under the equality codes without reading it.
    EXPECT_EQ(string::compare_values(a, a, code::strict_equal, false), 0);
    EXPECT_EQ(string::compare_values(a, a, code::find, false), 0);
}

TEST_F(StringCompareTest, SymbolsCompareByTheirNames) {
    // A symbol record as the symbol table keeps it: alias, string form (0 until made) and
    // the UTF-8 name with a NUL past the tail.
    const std::string name = "Caf\xC3\xA9";
    const Node bytes = memory::alloc_bytes(static_cast<u32>(name.size() + 1));
    Buffer* b = node::buffer(bytes);
    std::memcpy(b->head_ptr(), name.c_str(), name.size() + 1);
    b->tail = b->head + static_cast<u32>(name.size());
    const Cell without_form{header_of(Type::symbol), static_cast<u32>(-1), 0, bytes};
    const Cell with_form{header_of(Type::symbol), static_cast<u32>(-1), text("caf\xC3\xA9").w2, bytes};

    EXPECT_EQ(string::compare_values(text("caf\xC3\xA9"), without_form, code::equal, false), 0);
    EXPECT_EQ(string::compare_values(without_form, text("caf\xC3\xA9"), code::strict_equal, false), -1);
    EXPECT_EQ(string::compare_values(text("CAF\xC3\x89!"), without_form, code::equal, true), 0);
    EXPECT_EQ(string::compare_values(with_form, text("CAF\xC3\x89"), code::equal, false), 0);
    EXPECT_EQ(string::compare_values(without_form, text("cafe"), code::greater, false), 1);
    EXPECT_EQ(string::compare_values(without_form, without_form, code::same, false), 0);
    // Reading a symbol leaves its record as it was.
    EXPECT_EQ(without_form.w2, 0u);
    EXPECT_EQ(node::buffer(bytes)->used(), name.size());
}

}  // namespace

TEST_F(StringCompareTest, CompareActionRelatesStringLikeTypesOnlyByEquality) {
    ensure_datatypes();
    Cell str = text("a.txt");
    Cell file = text("A.TXT");
    file.header = header_of(Type::file);
    const Cell number{header_of(Type::integer), 0, 1, 0};
    const auto compare = registry().actions(Type::string).on_compare;
    struct Row { const Cell* second; i32 code; i32 expected; } rows[] = {
        {&file, code::equal, 0},
        {&file, code::not_equal, 0},
        {&file, code::strict_equal, not_comparable},
        {&file, code::lesser, not_comparable},
        {&number, code::equal, not_comparable},
        {&str, code::lesser, 0},
    };
    for (const Row& r : rows) EXPECT_EQ(compare(&str, r.second, r.code), r.expected) << "code " << r.code;
}
