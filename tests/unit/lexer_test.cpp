#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/core/raise.h"
#include "runtime/datatypes/word.h"
#include "runtime/lexer/lexer-decoders.h"
#include "runtime/lexer/lexer-words.h"
#include "runtime/lexer/lexer.h"
#include "runtime/memory/node.h"
#include "tests/unit/names-fixture.h"
#include "tools/mold-text.h"

using namespace zel;

namespace {

const u8* bytes(const std::string& s) { return reinterpret_cast<const u8*>(s.data()); }

// The top-level values of a scan, dumped and joined by spaces.
std::string joined(const Cell& block) {
    if (!block.is(Type::block)) return tools::mold_text(block);
    std::string out;
    Buffer* b = node::buffer(block.w2);
    for (u32 i = 0; i < b->cell_count(); ++i) {
        if (i) out += " ";
        out += tools::mold_text(node::buffer(block.w2)->cells()[i]);
    }
    return out;
}

std::string scan(const std::string& source, lexer::Tracer* tracer = nullptr) {
    lexer::Options options;
    options.tracer = tracer;
    return joined(lexer::scan_utf8(bytes(source), static_cast<u32>(source.size()), options).value);
}

// The error a scan raises, as its id and formed arguments ("" when it raises none).
std::string scan_error(const std::string& source) {
    try {
        scan(source);
    } catch (const ErrorThrow& e) {
        std::string out = error_info(e.id).name;
        for (u32 i = 0; i < e.arg_count; ++i) out += " | " + tools::mold_text(e.args[i]);
        return out;
    }
    return "";
}

class Lexer : public NamesFixture {
protected:
    void SetUp() override {
        NamesFixture::SetUp();
        lexer::init();
    }
};

TEST_F(Lexer, ValuesReadBackAsWritten) {
    struct Case {
        const char* source;
        const char* expected;
    };
    const Case cases[] = {
        {"", ""},
        {"  ; only a comment\n\t; and another", ""},
        {"a/b: [1 (2)] 1'000 FFh 2147483648 #(true) <t> %f.txt",
         "a/b: [1 (2)] 1000 255 2147483648.0 true <t> %f.txt"},
        {"2147483647 -2147483648 -2147483649 1'000'000'000'0",
         "2147483647 -2147483648 -2147483649.0 10000000000.0"},
        {"FFh FFFFFFFFh 0Ah", "255 -1 10"},
        {"'a :b c: /d #e @f", "'a :b c: /d #e @f"},
        {"a/(b)/c 'p/q :g/h a/b: x", "a/(b)/c 'p/q :g/h a/b: x"},
        {"[a [b (c)]] #[k 1 \"s\" 2]", "[a [b (c)]] #[\n    k: 1\n    \"s\" 2\n]"},
        {"\"a^(line)b\" \"a^/b\" \"a^(0A)b\" \"^(tab)^-\"", "\"a^/b\" \"a^/b\" \"a^/b\" \"^-^-\""},
        {"{a\n{b}c} %{a}b}% %%{x}%%", "\"a^/{b}c\" \"a}b\" \"x\""},
        {"#\"a\" #\"^(esc)\" #\"^/\" #\"é\"", "#\"a\" #\"^[\" #\"^/\" #\"é\""},
        {"%\"a b\" %a%20b http://x.y/%41 a@b.c", "%\"a b\" %\"a b\" http://x.y/A a@b.c"},
        {"1.5 .5 1.5e3 12.5% 1.#INF -1.#INF", "1.5 0.5 1500.0 12.5% 1.#INF -1.#INF"},
        {"1.2.3 1.2.3.4.5.6.7.8.9.10.11.12", "1.2.3 1.2.3.4.5.6.7.8.9.10.11.12"},
        {"3x4 -1x2 (1, 2) (1.5, 2, 3) (1 2)", "3x4 -1x2 (1, 2) (1.5, 2, 3) (1 2)"},
        {"10:30 1:2:60 -0:0:1.5 1:30.5", "10:30:00 1:03:00 -0:00:01.5 0:01:30.5"},
        {"64#{SGVsbG8=} #{0a 0B ; note\n ff} 2#{00000001 11111111}",
         "#{48656C6C6F} #{0A0BFF} #{01FF}"},
        {"#(true) #(NONE) #(integer!) #(unset)", "true none integer! unset"},
        {"a\u3000b c\u00A0 \u2003d", "a b c d"},
    };
    for (const Case& c : cases) EXPECT_EQ(scan(c.source), c.expected) << c.source;
}

// The cells of a scan's top-level values.
std::vector<Cell> scanned(const std::string& source) {
    Cell block = lexer::scan_utf8(bytes(source), static_cast<u32>(source.size()), {}).value;
    Buffer* b = node::buffer(block.w2);
    return std::vector<Cell>(b->cells(), b->cells() + b->cell_count());
}

TEST_F(Lexer, WordsAreInternedUnboundAndIssuesGlobal) {
    const std::vector<Cell> v = scanned("a a: :a 'a /a #a A a/b");
    const u32 a = symbol::intern("a");
    const Type kinds[] = {Type::word, Type::set_word, Type::get_word, Type::lit_word, Type::refinement, Type::issue};
    for (u32 i = 0; i < 6; ++i) {
        EXPECT_TRUE(v[i].is(kinds[i])) << i;
        EXPECT_EQ(v[i].w2, a) << i;
        EXPECT_EQ(v[i].w1, kinds[i] == Type::issue ? context::global : Node{0}) << i;
        EXPECT_EQ(v[i].w3, context::no_index) << i;
    }
    // Each spelling is its own symbol; case variants share the canonical one.
    EXPECT_NE(v[6].w2, a);
    EXPECT_EQ(symbol::canonical_id(v[6].w2), symbol::canonical_id(a));
    Cell head = node::buffer(v[7].w2)->cells()[0];
    EXPECT_TRUE(head.is(Type::word));
    EXPECT_EQ(head.w2, a);
    EXPECT_EQ(head.w1, 0u);
}

TEST_F(Lexer, ChecksAndPrescansInternNothing) {
    const u32 before = symbol::count();
    const std::string source = "never-seen-name #never-seen-issue p/never-seen-path";
    for (bool prescan : {false, true}) {
        lexer::Options options;
        options.scan_only = !prescan;
        options.prescan = prescan;
        lexer::scan_utf8(bytes(source), static_cast<u32>(source.size()), options);
    }
    EXPECT_EQ(symbol::count(), before);
}

TEST_F(Lexer, ANameScansAsTheOneTokenItHolds) {
    struct Case {
        const char* name;
        Type type;
    };
    const Case cases[] = {
        {"a", Type::word},          {"a:", Type::set_word}, {":a", Type::get_word},
        {"'a", Type::lit_word},     {"/a", Type::refinement}, {"#a", Type::issue},
        {"1", Type::integer},       {"a b", Type{0}},       {" a", Type{0}},
        {"a ", Type{0}},            {"", Type{0}},          {"1a", Type{0}},
        {"a/b", Type{0}},           {"[a]", Type{0}},       {"a;", Type{0}},
    };
    for (const Case& c : cases) EXPECT_EQ(lexer::scan_name(c.name), c.type) << c.name;
}

TEST_F(Lexer, TextAndNamesBecomeWordsThroughTheLexer) {
    auto to_word = [](const Cell& spec) {
        Cell result = spec;
        return *registry().actions(Type::word).on_to(&result, &spec, Type::word);
    };
    auto issue_of = [](const char* name) {
        return Cell{header_of(Type::issue), context::global, symbol::intern_cstring(name), context::no_index};
    };
    struct Case {
        Cell spec;
        const char* word;  // the word made, or null when `error` is raised
        ErrorId error;
    };
    const Case cases[] = {
        {test::string_cell("abc"), "abc", {}},
        {test::string_cell(" set: "), "set", {}},
        {test::string_cell("#iss"), "iss", {}},
        {word_of("ref", Type::refinement), "ref", {}},
        {issue_of("name"), "name", {}},
        {test::string_cell("a b"), nullptr, ErrorId::script_invalid_chars},
        {test::string_cell(""), nullptr, ErrorId::script_invalid_chars},
        {test::string_cell("12"), nullptr, ErrorId::script_invalid_chars},
        {test::string_cell("1a"), nullptr, ErrorId::syntax_invalid},
        {issue_of("12"), nullptr, ErrorId::script_bad_to_arg},
        {issue_of("a b"), nullptr, ErrorId::script_bad_to_arg},
        {issue_of("a/b"), nullptr, ErrorId::script_bad_to_arg},
    };
    for (const Case& c : cases) {
        const std::string what = test::molded(c.spec);
        if (!c.word) {
            EXPECT_EQ(test::error_of([&] { to_word(c.spec); }), c.error) << what;
            continue;
        }
        const Cell w = to_word(c.spec);
        EXPECT_TRUE(w.is(Type::word)) << what;
        EXPECT_EQ(w.w2, symbol::intern(c.word)) << what;
    }
}

TEST_F(Lexer, ValuesAfterALineFeedCarryTheNewLineMarker) {
    std::string source = "a b\n; comment\nc [d\n e]";
    Cell block = lexer::scan_utf8(bytes(source), static_cast<u32>(source.size()), {}).value;
    Buffer* b = node::buffer(block.w2);
    const Cell* cells = b->cells();
    EXPECT_FALSE(cells[0].header & cellflag::new_line);
    EXPECT_FALSE(cells[1].header & cellflag::new_line);
    EXPECT_TRUE(cells[2].header & cellflag::new_line);
    EXPECT_FALSE(cells[3].header & cellflag::new_line);
    const Cell* inner = node::buffer(cells[3].w2)->cells();
    EXPECT_FALSE(inner[0].header & cellflag::new_line);
    EXPECT_TRUE(inner[1].header & cellflag::new_line);
}

TEST_F(Lexer, SyntaxErrorsNameTheFaultTheLineAndTheText) {
    struct Case {
        const char* source;
        const char* expected;
    };
    const Case cases[] = {
        {"]", "missing | \"(line 1)\" | #\"[\" | \"]\""},
        {"x [1 2", "missing | \"(line 1)\" | #\"]\" | \"[1 2\""},
        {"[1 2)", "missing | \"(line 1)\" | #\"]\" | \")\""},
        {"(1 2]", "missing | \"(line 1)\" | #\")\" | \"]\""},
        {"\"abc", "invalid | \"(line 1)\" | string! | {\"abc}"},
        {"{a {b}", "invalid | \"(line 1)\" | string! | \"{a {b}\""},
        {"1\n2\n 12x3456789012345678901234567890123\nnext",
         "invalid | \"(line 3)\" | pair! | \"12x345678901234567890123456789\""},
        {"#(foo)", "malconstruct | \"(line 1)\" | \"#(foo)\""},
        {"a \xFF", "bad-char | \"(line 1)\" | \"\u00FF\""},
        {"Fh", "invalid | \"(line 1)\" | integer! | \"Fh\""},
        {"123456789h", "invalid | \"(line 1)\" | integer! | \"123456789h\""},
        {"1''0", "invalid | \"(line 1)\" | integer! | \"1''0\""},
        {"8#{}", "invalid | \"(line 1)\" | binary! | \"8#{}\""},
        {"#{ABC}", "invalid | \"(line 1)\" | binary! | \"#{ABC}\""},
        {"%%{x}%", "invalid | \"(line 1)\" | string! | \"%%{x}%\""},
        {"1.2.256", "invalid | \"(line 1)\" | tuple! | \"1.2.256\""},
        {"1.2.3.4.5.6.7.8.9.10.11.12.13", "invalid | \"(line 1)\" | tuple! | \"1.2.3.4.5.6.7.8.9.10.11.12.13\""},
        {"1 , 2", "invalid | \"(line 1)\" | point2D! | \", 2\""},
        {"a/", "invalid | \"(line 1)\" | path! | \"a/\""},
        {"'a:", "invalid | \"(line 1)\" | lit-word! | \"'a:\""},
        {"#\"ab\"", "invalid | \"(line 1)\" | char! | {#\"ab\"}"},
        {"29-Feb-2001", "invalid | \"(line 1)\" | date! | \"29-Feb-2001\""},
        {"$1''000", "invalid | \"(line 1)\" | money! | \"$1''000\""},
    };
    for (const Case& c : cases) EXPECT_EQ(scan_error(c.source), c.expected) << c.source;
}

TEST_F(Lexer, DatesAndMoneyAreCheckedByTheirForms) {
    struct Case {
        const char* source;
        const char* fault;  // the datatype a fault names, "" when there is none
    };
    const Case cases[] = {
        {"1-Jan-2000", ""},                 {"1/jan/00", ""},
        {"2000-01-01", ""},                 {"31-December-99", ""},
        {"1-sept-2000", ""},                {"29-Feb-2000", ""},
        {"29-Feb-2001", "date!"},           {"29-Feb-1900", "date!"},
        {"32-Jan-2000", "date!"},           {"0-Jan-2000", "date!"},
        {"1-13-2000", "date!"},             {"1-Ju-2000", "date!"},
        {"1-Janu-2000", ""},                {"1-Foo-2000", "date!"},
        {"1-Jan/2000", "date!"},            {"1-Jan-10000", "date!"},
        {"99-1-1", "date!"},                {"2020-W01", ""},
        {"2020-W53-7", ""},                 {"2020-W01-8", "date!"},
        {"2020-366", ""},                   {"2021-366", "date!"},
        {"1-Jan-2000/10:30", ""},           {"1-Jan-2000/10:30:15.5+5:30", ""},
        {"2000-01-01T23:59:59Z", ""},       {"2000-01-01T10:00-0800", ""},
        {"1-Jan-2000/24:00", "date!"},      {"1-Jan-2000/10:60", "date!"},
        {"1-Jan-2000/10:00:60", "date!"},   {"1-Jan-2000/10:00+16", "date!"},
        {"1-Jan-2000/10:00Z1", "date!"},    {"20000101T1030Z", ""},
        {"20000101T103015+0100", ""},       {"20000101T1030", "date!"},
        {"20000230T1030Z", "date!"},        {"2000010T1030Z", "date!"},
        {"$1", ""},                         {"$1'000.50", ""},
        {"-$0.12345", ""},                  {"+USD$1", ""},
        {"$00'001", ""},                    {"$12345678901234567", ""},
        {"$123456789012345678", "money!"},  {"$1''000", "money!"},
        {"$1'", "money!"},                  {"$1.123456", "money!"},
        {"$1.5'0", "money!"},               {"US$1", "money!"},
        {"USDX$1", "money!"},              {"XYZ$1", "money!"},
    };
    for (const Case& c : cases) {
        lexer::Options options;
        options.scan_only = true;
        std::string error;
        try {
            lexer::scan_utf8(bytes(c.source), static_cast<u32>(std::strlen(c.source)), options);
        } catch (const ErrorThrow& e) {
            error = std::string(error_info(e.id).name) + " " + tools::mold_text(e.args[1]);
        }
        EXPECT_EQ(error, *c.fault ? std::string("invalid ") + c.fault : "") << c.source;
    }
}

TEST_F(Lexer, ExcerptsNeverCutACharacter) {
    // 29 bytes of ASCII, then a two-byte character that would end past byte 30.
    std::string source = "\"" + std::string(28, 'a') + "\xC3\xA9";
    EXPECT_EQ(scan_error(source), "invalid | \"(line 1)\" | string! | {\"" + std::string(28, 'a') + "}");
}

TEST_F(Lexer, ScanStringCountsCharactersAndLoadOneTakesOneValue) {
    Cell text = lexer::scan_utf8(bytes("\"é 1 [a]\""), 11, {}).value;
    Cell string = node::buffer(text.w2)->cells()[0];
    lexer::Result r = lexer::scan_string(string, -1, {});
    EXPECT_EQ(joined(r.value), "é 1 [a]");
    EXPECT_EQ(r.consumed, 7u);
    EXPECT_EQ(joined(lexer::scan_string(string, 3, {}).value), "é 1");

}

TEST_F(Lexer, SingleModeStopsAfterTheFirstValue) {
    lexer::Options options;
    options.single = true;
    std::string source = "[1 2] 3 4";
    lexer::Result r = lexer::scan_utf8(bytes(source), static_cast<u32>(source.size()), options);
    EXPECT_EQ(tools::mold_text(r.value), "[1 2]");
    EXPECT_EQ(r.consumed, 5u);
}

// Records the events it is shown as "event type start-end".
class Recorder : public lexer::Tracer {
public:
    explicit Recorder(u32 mask) : mask_(mask) {}
    u32 mask() const override { return mask_; }
    bool on_event(const lexer::TraceEvent& e, u32& input) override {
        static const char* names[] = {"prescan", "scan", "load", "open", "close", "error"};
        std::string name = names[__builtin_ctz(e.event)];
        std::string type = e.type == Type{} ? (e.kind == lexer::TokenKind::comment ? "comment" : "-")
                                            : tools::mold_text(Cell{header_of(Type::datatype), static_cast<u32>(e.type), 0, 0});
        log.push_back(name + " " + type + " " + std::to_string(e.start) + "-" + std::to_string(e.end));
        if (e.event == lexer::event::error) {
            if (skip_errors) input += 1;
            return false;
        }
        return !(e.event == lexer::event::load && veto_loads);
    }
    std::vector<std::string> log;
    bool skip_errors = false;
    bool veto_loads = false;

private:
    u32 mask_;
};

TEST_F(Lexer, OpenAndCloseFireForEveryDelimiter) {
    Recorder r(lexer::event::open | lexer::event::close);
    scan("[a (b) #[k 1] p/q {s} (1, 2)]", &r);
    std::vector<std::string> expected = {
        "open block! 1-2",  "open paren! 4-5",  "close paren! 4-7", "open map! 8-10",
        "close map! 8-14",  "open path! 15-16", "close path! 15-18", "open string! 19-20",
        "close string! 19-22", "open point2D! 23-24", "close point2D! 23-29", "close block! 1-30",
    };
    EXPECT_EQ(r.log, expected);
}

TEST_F(Lexer, ScanEventsGiveTokensAsOneBasedStartAndExclusiveEnd) {
    Recorder r(lexer::event::scan);
    scan("a: 1 ; c\n\"é\"", &r);
    std::vector<std::string> expected = {"scan set-word! 1-3", "scan integer! 4-5",
                                         "scan comment 6-9", "scan string! 10-14"};
    EXPECT_EQ(r.log, expected);
}

TEST_F(Lexer, TheMaskChoosesTheEventsAndALoadCanBeVetoed) {
    Recorder r(lexer::event::load);
    r.veto_loads = true;
    EXPECT_EQ(scan("[a 1]", &r), "[]");
    std::vector<std::string> expected = {"load word! 2-3", "load integer! 4-5"};
    EXPECT_EQ(r.log, expected);
}

TEST_F(Lexer, AnErrorAnsweredFalseResumesWhereTheInputMovedOrEndsQuietly) {
    Recorder skipping(lexer::event::error);
    skipping.skip_errors = true;
    EXPECT_EQ(scan("a ] b \xFF c", &skipping), "a b c");
    EXPECT_EQ(skipping.log.size(), 2u);

    Recorder stopping(lexer::event::error);
    EXPECT_EQ(scan("a [b ] ] c", &stopping), "a [b]");
    EXPECT_EQ(scan("x [1 2", &stopping), "none");
}

// Runs a scan of its own from inside the outer scan's callback.
class Nesting : public lexer::Tracer {
public:
    u32 mask() const override { return lexer::event::load; }
    bool on_event(const lexer::TraceEvent&, u32&) override {
        std::string inner;
        for (int i = 0; i < 3000; ++i) inner += "x ";
        lexer::Result r = lexer::scan_utf8(bytes(inner), static_cast<u32>(inner.size()), {});
        inner_count = node::buffer(r.value.w2)->cell_count();
        return true;
    }
    u32 inner_count = 0;
};

TEST_F(Lexer, NestedScansKeepTheOuterScansValues) {
    Nesting n;
    EXPECT_EQ(scan("[1 [2]] 3", &n), "[1 [2]] 3");
    EXPECT_EQ(n.inner_count, 3000u);
}

TEST(LexerDecoders, Integers) {
    struct Case {
        std::u32string text;
        i32 value;
        i32 error;
    };
    const Case cases[] = {
        {U"123", 123, 0},        {U"-2147483648", INT32_MIN, 0}, {U"+1'000", 1000, 0},
        {U"2147483648", 0, -2},  {U"99999999999", 0, -2},        {U"12a", 0, -1},
        {U"", 0, -1},            {U"-", 0, -1},
    };
    for (const Case& c : cases) {
        for (u32 unit : {1u, 2u, 4u}) {
            std::vector<u8> units(c.text.size() * unit);
            for (std::size_t i = 0; i < c.text.size(); ++i)
                for (u32 k = 0; k < unit; ++k) units[i * unit + k] = k ? 0 : static_cast<u8>(c.text[i]);
            i32 error = 5;
            i32 value = lexer::decode_integer(units.data(), static_cast<u32>(c.text.size()), unit, error);
            EXPECT_EQ(error, c.error);
            if (!c.error) {
                EXPECT_EQ(value, c.value);
            }
        }
    }
}

TEST(LexerDecoders, FloatsAndTuples) {
    i32 error = 0;
    EXPECT_EQ(lexer::decode_float("1'000,5", 7, 1, error), 1000.5);
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(std::isnan(lexer::decode_float("1.2.3", 5, 1, error)));
    EXPECT_EQ(error, lexer::decode_bad_text);
    std::string long_text(313, '1');
    EXPECT_TRUE(std::isnan(lexer::decode_float(long_text.data(), 313, 1, error)));

    lexer::TupleParts t = lexer::decode_tuple("1.22.255", 8, 1);
    ASSERT_EQ(t.count, 3u);
    EXPECT_EQ(t.parts[2], 255);
    EXPECT_EQ(lexer::decode_tuple("1..2", 4, 1).count, 0u);
}

}  // namespace
