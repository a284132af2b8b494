#include <gtest/gtest.h>

#include "runtime/memory/cycle.h"
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

TEST_F(BlockTest, FindAndSelectWithRefinements) {
    // [1 2 3 1 2 3 2 3]
    const Cell b = block_of({i(1), i(2), i(3), i(1), i(2), i(3), i(2), i(3)});
    const Cell sub = block_of({i(2), i(3)});
    const Cell two = i(2), three = i(3), one = i(1);
    struct Case {
        const char* what;
        Cell series;
        const Cell* value;
        FindRefinements r;
        i32 expected;  // index of the answer, -1 for none
    };
    auto with = [](auto set) {
        FindRefinements r;
        set(r);
        return r;
    };
    const Case cases[] = {
        {"sub-block", b, &sub, {}, 1},
        {"sub-block /tail", b, &sub, with([](auto& r) { r.tail = true; }), 3},
        {"sub-block /last", b, &sub, with([](auto& r) { r.last = true; }), 6},
        {"sub-block /skip 3", b, &sub, with([&](auto& r) { r.skip = &three; }), 6},
        {"sub-block /skip 2 from 1", at(b, 1), &sub, with([&](auto& r) { r.skip = &two; }), 1},
        {"sub-block /skip 2 from 2", at(b, 2), &sub, with([&](auto& r) { r.skip = &two; }), 4},
        {"sub-block /skip 2 from 3", at(b, 3), &sub, with([&](auto& r) { r.skip = &two; }), -1},
        {"/skip 2", b, &three, with([&](auto& r) { r.skip = &two; }), 2},
        {"/reverse from 5", at(b, 5), &sub, with([](auto& r) { r.reverse = true; }), 1},
        {"/reverse from 1", at(b, 1), &sub, with([](auto& r) { r.reverse = true; }), -1},
        {"/match at 1", at(b, 1), &sub, with([](auto& r) { r.match = true; }), 1},
        {"/match at 0", b, &sub, with([](auto& r) { r.match = true; }), -1},
        {"/part 2", b, &three, with([&](auto& r) { r.part = &two; }), -1},
        {"/part 3", b, &three, with([&](auto& r) { r.part = &three; }), 2},
        {"/only block", block_of({i(1), sub}), &sub, with([](auto& r) { r.only = true; }), 1},
        {"value", at(b, 1), &one, {}, 3},
        {"at tail", at(b, 8), &one, {}, -1},
    };
    for (const Case& c : cases) {
        Cell s = c.series;
        row(Type::block).on_find(&s, c.value, c.r);
        if (c.expected < 0) {
            EXPECT_TRUE(s.is(Type::none)) << c.what;
        } else {
            ASSERT_TRUE(s.is(Type::block)) << c.what;
            EXPECT_EQ(s.w1, static_cast<u32>(c.expected)) << c.what;
        }
    }
    Cell typed = block_of({w("a"), string_of("s"), i(5)});
    const Cell integer_type = Cell{header_of(Type::datatype), static_cast<u32>(Type::integer), 0, 0};
    row(Type::block).on_find(&typed, &integer_type, {});
    EXPECT_EQ(typed.w1, 2u);

    Cell s = b;
    row(Type::block).on_select(&s, &sub, {});
    EXPECT_EQ(mold(s), "1");
    s = block_of({i(1), i(2)});
    row(Type::block).on_select(&s, &two, {});
    EXPECT_TRUE(s.is(Type::none));
    s = b;
    const Cell zero = i(0);
    EXPECT_EQ(test::error_of([&] {
                  FindRefinements r;
                  r.skip = &zero;
                  row(Type::block).on_find(&s, &one, r);
              }),
              ErrorId::script_out_of_range);
}

TEST_F(BlockTest, AppendInsertAndDup) {
    struct Case {
        const char* what;
        i32 part, dup;
        bool only, append;
        const char* block;
        u32 index;
    };
    const Case cases[] = {
        {"append", -1, 1, false, true, "[1 2 8 9]", 0},
        {"append /only", -1, 1, true, true, "[1 2 [8 9]]", 0},
        {"insert", -1, 1, false, false, "[1 8 9 2]", 3},
        {"insert /part 1", 1, 1, false, false, "[1 8 2]", 2},
        {"insert /dup 3", -1, 3, false, false, "[1 8 9 8 9 8 9 2]", 7},
        {"insert /dup 0", -1, 0, false, false, "[1 2]", 1},
        {"insert /dup -2", -1, -2, false, false, "[1 2]", 1},
        {"append /dup -1", -1, -1, false, true, "[1 2]", 1},
    };
    for (const Case& c : cases) {
        Cell b = at(block_of({i(1), i(2)}), 1);
        const Cell value = block_of({i(8), i(9)});
        row(Type::block).on_insert(&b, &value, c.part, c.only, c.dup, c.append);
        EXPECT_EQ(mold(at(b, 0)), c.block) << c.what;
        EXPECT_EQ(b.w1, c.index) << c.what;
    }
    Cell self = block_of({i(1), i(2)});
    row(Type::block).on_insert(&self, &self, -1, false, 1, false);
    EXPECT_EQ(mold(at(self, 0)), "[1 2 1 2]");
    const Cell dup = i(1);
    EXPECT_EQ(test::error_of([&] {
                  Cell b = block_of({});
                  const Cell big = block_of({i(1), i(2), i(3)});
                  row(Type::block).on_insert(&b, &big, -1, false, 0x7FFFFFFF, true);
                  (void)dup;
              }),
              ErrorId::internal_no_memory);
}

TEST_F(BlockTest, ChangeTakeSwapTrimPut) {
    Cell b = at(block_of({i(1), i(2), i(3), i(4)}), 1);
    const Cell xy = block_of({w("x"), w("y")});
    row(Type::block).on_change(&b, &xy, -1, false, 1);
    EXPECT_EQ(mold(at(b, 0)), "[1 x y 4]");
    EXPECT_EQ(b.w1, 3u);
    b = at(block_of({i(1), i(2), i(3), i(4)}), 1);
    row(Type::block).on_change(&b, &xy, 3, false, 1);
    EXPECT_EQ(mold(at(b, 0)), "[1 x y]");

    struct Take {
        const char* what;
        std::optional<i32> part;
        bool last;
        const char* answer;
        const char* left;
    };
    const Take takes[] = {
        {"single", std::nullopt, false, "2", "[1 3 4 5]"},
        {"last", std::nullopt, true, "5", "[1 2 3 4]"},
        {"last part 2", 2, true, "[4 5]", "[1 2 3]"},
        {"part 2", 2, false, "[2 3]", "[1 4 5]"},
        {"part 9", 9, false, "[2 3 4 5]", "[1]"},
        {"part 0", 0, false, "[]", "[1 2 3 4 5]"},
        {"part -1", -1, false, "[1]", "[2 3 4 5]"},
        {"part -2", -2, false, "[]", "[1 2 3 4 5]"},
        {"last part -1", -1, true, "[]", "[1 2 3 4 5]"},
    };
    for (const Take& t : takes) {
        const Cell source = at(block_of({i(1), i(2), i(3), i(4), i(5)}), 1);
        Cell s = source;
        const Cell part = i(t.part.value_or(0));
        row(Type::block).on_take(&s, t.part ? &part : nullptr, false, t.last);
        EXPECT_EQ(mold(s), t.answer) << t.what;
        EXPECT_EQ(mold(at(source, 0)), t.left) << t.what;
    }
    Cell empty = block_of({});
    row(Type::block).on_take(&empty, nullptr, false, false);
    EXPECT_TRUE(empty.is(Type::none));

    Cell x = block_of({i(1), i(2)}), y = at(block_of({i(3), i(4)}), 1);
    row(Type::block).on_swap(&x, &y);
    EXPECT_EQ(mold(x), "[4 2]");
    EXPECT_EQ(mold(at(y, 0)), "[3 1]");
    const Cell n = i(1);
    EXPECT_EQ(test::error_of([&] { row(Type::block).on_swap(&x, const_cast<Cell*>(&n)); }), ErrorId::script_invalid_arg);

    Cell t = block_of({none_cell, i(1), none_cell, false_cell, none_cell});
    row(Type::block).on_trim(&t, {});
    EXPECT_EQ(mold(t), "[1 false]");

    Cell p = block_of({w("a"), i(1), w("b")});
    const Cell key_a = w("a"), key_b = w("b"), key_c = w("c"), nine = i(9);
    Cell r = p;
    row(Type::block).on_put(&r, &key_a, &nine, false);
    r = p;
    row(Type::block).on_put(&r, &key_b, &nine, false);
    r = p;
    row(Type::block).on_put(&r, &key_c, &nine, false);
    EXPECT_EQ(mold(p), "[a 9 b 9 c 9]");
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
        block::set_op(&first, c.code == 8 ? nullptr : &b, c.case_, c.code, nullptr);
        EXPECT_EQ(mold(first), c.expected) << c.code << " case " << c.case_;
    }
    Cell records = block_of({w("a"), i(1), w("b"), i(2), w("a"), i(1), w("a"), i(3)});
    const Cell two = i(2);
    block::set_op(&records, nullptr, false, 8, &two);
    EXPECT_EQ(mold(records), "[a 1 b 2 a 3]");
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
