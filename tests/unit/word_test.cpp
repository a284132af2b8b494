#include <gtest/gtest.h>

#include <string>

#include "runtime/datatypes/datatype.h"
#include "runtime/datatypes/word.h"
#include "runtime/memory/node.h"
#include "runtime/names/context.h"
#include "runtime/names/symbol.h"
#include "runtime/text/string-utf8.h"
#include "tests/unit/names-fixture.h"

using namespace zel;

namespace {

class Words : public NamesFixture {
protected:
    static Cell to(Type target, const Cell& spec) {
        Cell result = spec;
        return *registry().actions(target).on_to(&result, &spec, target);
    }
    static Cell issue_of(const char* name) {
        return Cell{header_of(Type::issue), context::global, symbol::intern_cstring(name), context::no_index};
    }
    static i32 compare(const Cell& a, const Cell& b, i32 code) { return actions_of(a).on_compare(&a, &b, code); }
};

TEST_F(Words, MoldAndForm) {
    struct Case {
        Cell value;
        const char* mold;
        const char* form;
    } cases[] = {
        {word_of("a"), "a", "a"},
        {word_of("a", Type::set_word), "a:", "a"},
        {word_of("a", Type::get_word), ":a", "a"},
        {word_of("a", Type::lit_word), "'a", "a"},
        {word_of("a", Type::refinement), "/a", "a"},
        {issue_of("abc"), "#abc", "abc"},
        {word_of("Foo", Type::set_word), "Foo:", "Foo"},
        {word_of("caf\xC3\xA9"), "caf\xC3\xA9", "caf\xC3\xA9"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(test::molded(c.value), c.mold);
        EXPECT_EQ(test::formed(c.value), c.form);
    }
    const Cell part = integer_of(2);
    EXPECT_EQ(test::molded(word_of("abc", Type::set_word), {}, &part), "ab");
    EXPECT_EQ(test::molded(issue_of("abc"), {}, &part), "#a");
}

TEST_F(Words, Comparison) {
    const Cell a = word_of("a");
    const Cell A = word_of("A");
    struct Case {
        Cell v1;
        Cell v2;
        i32 code;
        i32 result;
    } cases[] = {
        {a, A, compare_code::equal, 0},
        {a, A, compare_code::strict_equal, 1},
        {a, word_of("a", Type::set_word), compare_code::equal, 0},
        {a, word_of("a", Type::set_word), compare_code::strict_equal, 1},
        {a, word_of("a", Type::lit_word), compare_code::equality_10, 0},
        {a, word_of("A", Type::lit_word), compare_code::equality_10, 1},
        {a, word_of("A", Type::lit_word), compare_code::equality_11, 0},
        {a, word_of("A", Type::get_word), compare_code::equality_11, 1},
        {a, issue_of("a"), compare_code::equal, not_comparable},
        {issue_of("a"), a, compare_code::equal, not_comparable},
        {issue_of("abc"), issue_of("ABC"), compare_code::equal, 0},
        {issue_of("abc"), issue_of("ABC"), compare_code::strict_equal, 1},
        {a, integer_of(1), compare_code::equal, not_comparable},
        {word_of("B"), word_of("a"), compare_code::sort, 1},
        {word_of("B"), word_of("a"), compare_code::case_sort, -1},
        {word_of("apple"), word_of("APPLE"), compare_code::lesser, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(compare(c.v1, c.v2, c.code), c.result) << test::molded(c.v1) << " " << test::molded(c.v2) << " " << c.code;
    Cell bound = a;
    context::make_global_word(a.w2);
    context::bind_word(context::global, bound);
    EXPECT_EQ(compare(bound, a, compare_code::same), 1);
    EXPECT_EQ(test::error_of([&] { compare_values(a, integer_of(1), compare_code::lesser); }),
              ErrorId::script_invalid_compare);
}

TEST_F(Words, IndexOfABoundWord) {
    const Node ctx = context::make(2, false, false, 0, context::kind::object);
    Cell w = word_of("first");
    context::add_word(ctx, w);
    context::bind_word(ctx, w);
    Cell result = w;
    EXPECT_EQ(test::molded(*actions_of(w).on_index_q(&result)), "1");
    Cell unbound = word_of("loose", Type::get_word);
    EXPECT_EQ(actions_of(unbound).on_index_q(&unbound)->type(), Type::none);
    EXPECT_EQ(registry().actions(Type::issue).on_index_q, nullptr);
}

TEST_F(Words, Conversions) {
    struct Case {
        Type target;
        Cell spec;
        const char* mold;
    } cases[] = {
        {Type::word, string_of("a"), "a"},
        {Type::set_word, string_of("a"), "a:"},
        {Type::word, string_of("b:"), "b"},
        {Type::word, Cell{header_of(Type::char_), 0, 'q', 0}, "q"},
        {Type::word, datatype::of(Type::integer), "integer!"},
        {Type::word, true_cell, "true"},
        {Type::lit_word, word_of("a", Type::set_word), "'a"},
        {Type::word, word_of("x", Type::refinement), "x"},
        {Type::issue, string_of("abc"), "#abc"},
        {Type::issue, Cell{header_of(Type::char_), 0, 'a', 0}, "#a"},
        {Type::issue, word_of("abc"), "#abc"},
        {Type::issue, string_of("a b"), "#a b"},
        {Type::refinement, datatype::of(Type::block), "/block!"},
    };
    for (const Case& c : cases) EXPECT_EQ(test::molded(to(c.target, c.spec)), c.mold) << c.mold;

    struct Failure {
        Type target;
        Cell spec;
        ErrorId error;
    } failures[] = {
        {Type::word, string_of("a b"), ErrorId::script_invalid_chars},
        {Type::word, string_of(""), ErrorId::script_invalid_chars},
        {Type::word, string_of("1"), ErrorId::script_invalid_chars},
        {Type::word, test::float_cell(1.5), ErrorId::script_bad_to_arg},
        {Type::word, issue_of("1"), ErrorId::script_bad_to_arg},
        {Type::issue, integer_of(3), ErrorId::script_bad_to_arg},
    };
    for (const Failure& f : failures)
        EXPECT_EQ(test::error_of([&] { to(f.target, f.spec); }), f.error) << test::molded(f.spec);
}

TEST_F(Words, ConversionsKeepOrMakeBindings) {
    Cell global_a = context::make_global_word(symbol::intern("a"));
    const Cell converted = to(Type::word, issue_of("a"));
    EXPECT_EQ(converted.w1, context::global);
    EXPECT_EQ(converted.w3, global_a.w3);
    EXPECT_EQ(to(Type::word, issue_of("not-global-yet")).w3, context::no_index);
    const Node ctx = context::make(1, false, false, 0, context::kind::object);
    Cell w = word_of("abc");
    context::add_word(ctx, w);
    context::bind_word(ctx, w);
    const Cell as_issue = to(Type::issue, w);
    EXPECT_EQ(as_issue.w1, ctx);
    EXPECT_EQ(as_issue.w3, 0u);
    EXPECT_EQ(as_issue.header, header_of(Type::issue));
}

}  // namespace
