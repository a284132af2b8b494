#include <gtest/gtest.h>

#include "tests/unit/series-fixture.h"

using namespace zel;

class PathTest : public SeriesFixture {};

TEST_F(PathTest, MoldAndFormOfTheFourPathTypesAndParens) {
    struct Case {
        Type type;
        const char* molded;
    };
    const Case cases[] = {
        {Type::path, "a/b/3"},
        {Type::lit_path, "'a/b/3"},
        {Type::set_path, "a/b/3:"},
        {Type::get_path, ":a/b/3"},
        {Type::paren, "(a b 3)"},
    };
    for (const Case& c : cases) {
        const Cell p = block_of({w("a"), on_new_line(w("b")), i(3)}, c.type);
        EXPECT_EQ(mold(p, MoldFlags{false, false, true}), c.molded) << type_info(c.type).name;
        if (c.type != Type::paren) {
            EXPECT_EQ(mold(p), c.molded) << "paths never break lines";
        }
    }
    EXPECT_EQ(form(block_of({w("a"), i(1)}, Type::set_path)), "a/1");
    EXPECT_EQ(mold(block_of({w("a"), block_of({i(1)}, Type::paren)}, Type::path)), "a/(1)");
    EXPECT_EQ(mold(block_of({on_new_line(w("a"))}, Type::paren)), "(\n    a\n)");
    EXPECT_EQ(mold(block_of({w("a"), w("b")}, Type::paren), MoldFlags{true, false, false}), "a b");

    Cell self = block_of({w("a")}, Type::path);
    block::append_value(self, self);
    EXPECT_EQ(mold(self), "a/...");
    Cell paren = block_of({i(1)}, Type::paren);
    block::append_value(paren, paren);
    EXPECT_EQ(mold(paren), "(1 (...))");
}

TEST_F(PathTest, MakeToCopyAndRefusedActions) {
    Cell made;
    const Cell zero = i(0);
    row(Type::path).on_make(&made, &zero, Type::get_path);
    EXPECT_TRUE(made.is(Type::get_path));
    EXPECT_EQ(length(made), 0u);
    const Cell text = string_of("a/b");
    EXPECT_EQ(test::error_of([&] { row(Type::path).on_make(&made, &text, Type::path); }), ErrorId::script_bad_make_arg);
    const Cell source = block_of({w("x"), i(2)});
    row(Type::set_path).on_make(&made, &source, Type::set_path);
    EXPECT_EQ(mold(made), "x/2:");
    const Cell number = i(7);
    row(Type::path).on_to(&made, &number, Type::lit_path);
    EXPECT_EQ(mold(made), "'7");

    Cell copied;
    Cell original = block_of({w("x"), i(2)}, Type::lit_path);
    row(Type::lit_path).on_copy(&original, &copied, nullptr, false, nullptr);
    EXPECT_TRUE(copied.is(Type::lit_path));
    EXPECT_NE(copied.w2, original.w2);

    for (Type t : {Type::path, Type::lit_path, Type::set_path, Type::get_path}) {
        EXPECT_EQ(row(t).on_sort, nullptr);
        EXPECT_EQ(row(t).on_trim, nullptr);
        EXPECT_EQ(row(t).on_random, nullptr);
        EXPECT_NE(row(t).on_find, nullptr);
    }
    EXPECT_NE(row(Type::paren).on_sort, nullptr);
    EXPECT_EQ(row(Type::paren).on_trim, nullptr);

    // path! and lit-path! are equal under the path codes only.
    const Cell p = block_of({w("a")}, Type::path);
    const Cell l = block_of({w("a")}, Type::lit_path);
    EXPECT_EQ(row(Type::path).on_compare(&p, &l, compare_code::equality_10), 0);
    EXPECT_EQ(row(Type::path).on_compare(&p, &l, compare_code::equal), not_comparable);
}
