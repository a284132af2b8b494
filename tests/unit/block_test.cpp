#include <gtest/gtest.h>

#include "runtime/core/cell-views.h"
#include "runtime/datatypes/hash.h"
#include "runtime/hash/hashtable.h"
#include "runtime/text/cycle.h"
#include "tests/unit/series-fixture.h"

using namespace zel;

class BlockTest : public SeriesFixture {};

TEST_F(BlockTest, MoldAndFormWithLineMarkersAndCycles) {
    const Cell inner = block_of({i(2), on_new_line(i(3))});
    const Cell lines = block_of({on_new_line(i(1)), on_new_line(inner), w("a")});
    // A nested block whose first element has no marker keeps the indent it was given.
    EXPECT_EQ(mold(lines), "[\n    1\n    [2\n    3] a\n]");
    EXPECT_EQ(mold(lines, MoldFlags{false, false, true}), "[1 [2 3] a]");
    EXPECT_EQ(mold(lines, MoldFlags{true, false, false}), "1\n[2\n3] a");
    EXPECT_EQ(mold(block_of({})), "[]");
    EXPECT_EQ(mold(block_of({i(1), block_of({}, Type::paren), string_of("s")})), "[1 () \"s\"]");

    Cell self = block_of({i(1)});
    block::append_value(self, self);
    EXPECT_EQ(mold(self), "[1 [...]]");
    EXPECT_EQ(form(self), "1 ...");
    EXPECT_EQ(cycle::depth(), 0u);

    EXPECT_EQ(form(block_of({string_of("a\n"), i(2), block_of({i(3), w("b")})})), "a\n2 3 b");
    const Cell part = i(4);
    EXPECT_EQ(test::molded(block_of({i(123), i(456)}), {}, &part), "[123");
}

TEST_F(BlockTest, CompareByElementsLengthsAndTypeIds) {
    const Cell a = block_of({i(1), i(2)});
    const Cell b = block_of({i(1), i(2), i(3)});
    EXPECT_FALSE(compare_values(a, b, compare_code::equal));
    EXPECT_TRUE(compare_values(a, b, compare_code::lesser));
    EXPECT_TRUE(compare_values(a, block_of({i(1), i(2)}), compare_code::equal));
    EXPECT_FALSE(compare_values(a, block_of({i(1), i(2)}), compare_code::same));
    // [1 "a"] against [1 2]: string! (7) orders before integer! (11).
    EXPECT_TRUE(compare_values(block_of({i(1), string_of("a")}), a, compare_code::lesser));
    EXPECT_TRUE(compare_values(block_of({w("x")}), block_of({w("X")}), compare_code::equal));
    Cell self = block_of({});
    block::append_value(self, self);
    Cell other = block_of({});
    block::append_value(other, other);
    EXPECT_TRUE(compare_values(self, other, compare_code::equal));
    EXPECT_EQ(cycle::depth(), 0u);
}

TEST_F(BlockTest, CopyPartDeepAndTypes) {
    const Cell inner = block_of({i(2)});
    Cell b = block_of({i(1), inner, string_of("s")});
    Cell shallow, deep;
    row(Type::block).on_copy(&b, &shallow, nullptr, false, nullptr);
    row(Type::block).on_copy(&b, &deep, nullptr, true, nullptr);
    block::append_value(inner, i(3));
    EXPECT_EQ(mold(shallow), "[1 [2 3] \"s\"]");
    EXPECT_EQ(mold(deep), "[1 [2] \"s\"]");
    EXPECT_NE(block::cell_at(deep, 2)->w2, block::cell_at(b, 2)->w2);

    Cell types_copy;
    const Cell block_type = Cell{header_of(Type::datatype), static_cast<u32>(Type::block), 0, 0};
    row(Type::block).on_copy(&b, &types_copy, nullptr, false, &block_type);
    EXPECT_NE(block::cell_at(types_copy, 1)->w2, inner.w2);
    EXPECT_EQ(block::cell_at(types_copy, 2)->w2, block::cell_at(b, 2)->w2);

    Cell self = block_of({i(1)});
    block::append_value(self, self);
    Cell out;
    EXPECT_EQ(test::error_of([&] { row(Type::block).on_copy(&self, &out, nullptr, true, nullptr); }),
              ErrorId::internal_no_cycle);
    EXPECT_EQ(test::error_of([&] { block::clone(self, true, true, &out); }), ErrorId::internal_no_cycle);
    EXPECT_EQ(cycle::depth(), 0u);
    EXPECT_EQ(cycle::depth(), 0u);
}

TEST_F(BlockTest, SetOperations) {
    const Cell a = block_of({w("a"), w("A"), w("b"), i(1), i(1), w("c")});
    const Cell b = block_of({w("b"), w("B"), i(1), w("d")});
    struct Case {
        i32 code;
        bool case_;
        const char* expected;
    };
    const Case cases[] = {
        {8, false, "[a b 1 c]"},           {8, true, "[a A b 1 c]"},       {9, false, "[a b 1 c d]"},
        {10, false, "[b 1]"},              {11, false, "[a c]"},           {12, false, "[a c d]"},
        {12, true, "[a A c B d]"},
    };
    for (const Case& c : cases) {
        Cell first = a;
        block::set_op(&first, c.code == 8 ? nullptr : &b, c.case_, static_cast<SetOp>(c.code), nullptr);
        EXPECT_EQ(mold(first), c.expected) << c.code << " case " << c.case_;
    }
    // Records of /skip cells are known by their first cell and taken whole.
    const Cell records = block_of({w("a"), i(1), w("b"), i(2), w("A"), i(3), w("c"), i(1)});
    const Cell others = block_of({w("a"), i(9), w("d"), i(2)});
    const Case record_cases[] = {
        {8, false, "[a 1 b 2 c 1]"},          {8, true, "[a 1 b 2 A 3 c 1]"},       {9, false, "[a 1 b 2 c 1 d 2]"},
        {10, false, "[a 1]"},                 {11, false, "[b 2 c 1]"},             {12, false, "[b 2 c 1 d 2]"},
    };
    const Cell two = i(2);
    for (const Case& c : record_cases) {
        Cell first = records;
        block::set_op(&first, c.code == 8 ? nullptr : &others, c.case_, static_cast<SetOp>(c.code), &two);
        EXPECT_EQ(mold(first), c.expected) << c.code << " case " << c.case_ << " of records";
    }
}

// A hash! result is indexed: its table answers for every value the result holds.
TEST_F(BlockTest, SetOperationsOnAHashIndexTheResult) {
    Cell first = block_of({w("a"), w("b"), w("a")});
    cell::set_type(&first, Type::hash);
    hash::index(first);
    const Cell second = block_of({w("c")});
    block::set_op(&first, &second, false, SetOp::union_, nullptr);
    ASSERT_EQ(mold(first), "make hash! [a b c]");
    ASSERT_NE(as_series(first).extra, 0u);
    EXPECT_EQ(hashtable::find_cell(as_series(first).extra, w("c"), 0, 1, compare_code::find, false, false), 2);
}

TEST_F(BlockTest, MakeToAndEvalPath) {
    Cell made;
    const Cell spec = at(block_of({i(1), i(2)}), 1);
    const Cell integer_spec = i(5);
    row(Type::block).on_make(&made, &spec, Type::paren);
    EXPECT_EQ(mold(made), "(2)");
    row(Type::block).on_make(&made, &integer_spec, Type::block);
    EXPECT_EQ(mold(made), "[]");
    EXPECT_EQ(test::error_of([&] {
                  const Cell text = string_of("x");
                  row(Type::block).on_make(&made, &text, Type::block);
              }),
              ErrorId::script_bad_make_arg);
    row(Type::block).on_to(&made, &integer_spec, Type::block);
    EXPECT_EQ(mold(made), "[5]");

    Cell b = block_of({w("a"), i(1), w("b"), i(2)});
    const Cell key_b = w("B"), two = i(2), nine = i(9), key_z = w("z");
    Cell walk = b;
    row(Type::block).on_eval_path(&walk, &key_b, nullptr, {});
    EXPECT_EQ(mold(walk), "2");
    walk = b;
    row(Type::block).on_eval_path(&walk, &two, nullptr, {});
    EXPECT_EQ(mold(walk), "1");
    walk = b;
    row(Type::block).on_eval_path(&walk, &key_b, &nine, {});
    EXPECT_EQ(mold(b), "[a 1 b 9]");
    walk = b;
    EXPECT_EQ(test::error_of([&] { row(Type::block).on_eval_path(&walk, &key_z, &nine, {}); }),
              ErrorId::script_bad_path_set);
}
