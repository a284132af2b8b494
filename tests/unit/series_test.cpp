#include <gtest/gtest.h>

#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/series.h"
#include "tests/unit/series-fixture.h"

using namespace zel;

class SeriesTest : public SeriesFixture {
protected:
    static Cell five() { return block_of({i(1), i(2), i(3), i(4), i(5)}); }
};

TEST_F(SeriesTest, Navigation) {
    using Step = Cell* (*)(Cell*, const Cell*);
    const ActionRow& r = row(Type::block);
    struct Case {
        const char* what;
        u32 from;
        Step step;
        i32 argument;
        u32 index;
    };
    auto at_fn = [](Cell* s, const Cell* n) { return row(Type::block).on_at(s, n); };
    auto skip_fn = [](Cell* s, const Cell* n) { return row(Type::block).on_skip(s, n); };
    const Case cases[] = {
        {"at 1", 2, at_fn, 1, 2},      {"at 0", 2, at_fn, 0, 2},       {"at -1", 2, at_fn, -1, 1},
        {"at -9", 2, at_fn, -9, 0},    {"at 9", 2, at_fn, 9, 5},       {"skip 2", 2, skip_fn, 2, 4},
        {"skip 9", 2, skip_fn, 9, 5},  {"skip -1", 2, skip_fn, -1, 1},
    };
    for (const Case& c : cases) {
        Cell s = at(five(), c.from);
        const Cell n = i(c.argument);
        c.step(&s, &n);
        EXPECT_EQ(s.w1, c.index) << c.what;
    }
    Cell s = at(five(), 5);
    r.on_next(&s);
    EXPECT_EQ(s.w1, 5u);
    Cell q = s;
    EXPECT_TRUE(logic::get(*r.on_tail_q(&q)));
    EXPECT_EQ(r.on_length_q(&s), 0);
    s = five();
    r.on_back(&s);
    EXPECT_EQ(s.w1, 0u);
    q = at(s, 3);
    EXPECT_EQ(r.on_index_q(&q)->w2, 4u);
    const Cell word = w("x");
    EXPECT_EQ(test::error_of([&] { r.on_at(&s, &word); }), ErrorId::script_invalid_arg);

    // An index left past the tail by a shortened series is pulled back.
    Cell past = at(five(), 4);
    block::set_tail(past, 2);
    EXPECT_EQ(r.on_length_q(&past), 0);
    EXPECT_EQ(past.w1, 2u);
}

TEST_F(SeriesTest, PickAndPoke) {
    const ActionRow& r = row(Type::block);
    struct Case {
        i32 n;
        const char* expected;
    };
    const Case cases[] = {{1, "3"}, {0, "none"}, {-1, "2"}, {-2, "1"}, {-3, "none"}, {3, "5"}, {4, "none"}};
    for (const Case& c : cases) {
        Cell s = at(five(), 2);
        const Cell n = i(c.n);
        EXPECT_EQ(mold(*r.on_pick(&s, &n)), c.expected) << c.n;
    }
    Cell text = string_of("abc");
    const Cell two = i(2);
    EXPECT_EQ(mold(*row(Type::series).on_pick(&text, &two)), "#\"b\"");

    const Cell b = five();
    const Cell nine = i(9), zero = i(0), six = i(6), minus = i(-1);
    Cell s = b;
    r.on_poke(&s, &two, &nine);
    EXPECT_EQ(mold(b), "[1 9 3 4 5]");
    for (const Cell* bad : {&zero, &six, &minus}) {
        s = b;
        EXPECT_EQ(test::error_of([&] { r.on_poke(&s, bad, &nine); }), ErrorId::script_out_of_range);
    }
    const Cell text_value = string_of("abc");
    const Cell wide = Cell{header_of(Type::char_), 0, 0x20AC, 0};
    Cell str = text_value;
    EXPECT_EQ(mold(*row(Type::series).on_poke(&str, &two, &wide)), "#\"€\"");
    EXPECT_EQ(form(text_value), "a€c");
    str = text_value;
    EXPECT_EQ(test::error_of([&] { row(Type::series).on_poke(&str, &two, &nine); }), ErrorId::script_invalid_arg);
}

TEST_F(SeriesTest, RemoveReverseMoveClear) {
    const ActionRow& r = row(Type::block);
    const Cell two = i(2), three = i(3), zero = i(0);
    Cell s = at(five(), 1);
    r.on_remove(&s, &two, nullptr);
    EXPECT_EQ(mold(at(s, 0)), "[1 4 5]");
    s = at(five(), 1);
    r.on_remove(&s, &zero, nullptr);
    EXPECT_EQ(mold(at(s, 0)), "[1 2 3 4 5]");
    s = at(five(), 1);
    const Cell foreign = five();
    EXPECT_EQ(test::error_of([&] { r.on_remove(&s, &foreign, nullptr); }), ErrorId::script_invalid_refine_arg);

    struct Reverse {
        const char* what;
        Cell block;
        const Cell* part;
        const Cell* skip;
        const char* expected;
        std::optional<ErrorId> error;
    };
    const Cell six_items = block_of({i(1), i(2), i(3), i(4), i(5), i(6)});
    const Reverse reverses[] = {
        {"all", five(), nullptr, nullptr, "[5 4 3 2 1]", {}},
        {"part 3", five(), &three, nullptr, "[3 2 1 4 5]", {}},
        {"skip 2 of six", six_items, nullptr, &two, "[5 6 3 4 1 2]", {}},
        {"skip 2 of five", five(), nullptr, &two, "", ErrorId::script_invalid_refine_arg},
        {"skip 0", five(), nullptr, &zero, "", ErrorId::script_out_of_range},
    };
    for (const Reverse& c : reverses) {
        Cell b = c.block;
        const auto error = test::error_of([&] { r.on_reverse(&b, c.part, c.skip); });
        EXPECT_EQ(error, c.error) << c.what;
        if (!c.error) {
            EXPECT_EQ(mold(c.block), c.expected) << c.what;
        }
    }

    Cell source = five();
    Cell target = at(source, 4);
    r.on_move(&source, &target, &two);
    EXPECT_EQ(mold(at(source, 0)), "[3 4 1 2 5]");
    const Cell moved_from = at(five(), 3);
    const Cell other = block_of({w("a")});
    Cell from = moved_from, into = other;
    EXPECT_EQ(r.on_move(&from, &into, nullptr)->w2, other.w2);
    EXPECT_EQ(mold(other), "[4 a]");
    EXPECT_EQ(mold(at(moved_from, 0)), "[1 2 3 5]");
    Cell text = string_of("xy");
    Cell blk = five();
    EXPECT_EQ(test::error_of([&] { r.on_move(&blk, &text, nullptr); }), ErrorId::script_move_bad);
    const Cell narrow = string_of("abc"), wide = string_of("€");
    Cell str1 = narrow, str2 = wide;
    row(Type::series).on_move(&str1, &str2, &two);
    EXPECT_EQ(form(wide), "ab€");
    EXPECT_EQ(form(narrow), "c");

    Cell c = at(five(), 2);
    r.on_clear(&c);
    EXPECT_EQ(mold(at(c, 0)), "[1 2]");
}

TEST_F(SeriesTest, CopyWithPartsAndTakeOnStrings) {
    const ActionRow& r = row(Type::block);
    struct Case {
        const char* what;
        Cell part;
        u32 from;
        const char* expected;
    };
    const Cell source = five();
    const Case cases[] = {
        {"integer", i(2), 1, "[2 3]"},
        {"negative", i(-2), 3, "[2 3]"},
        {"negative past head", i(-9), 2, "[1 2]"},
        {"pair 2x4", Cell{header_of(Type::pair), 0, 2, 4}, 1, "[3 4]"},
        {"series", at(source, 4), 1, "[2 3 4]"},
    };
    for (const Case& c : cases) {
        Cell s = at(source, c.from);
        Cell out;
        r.on_copy(&s, &out, &c.part, false, nullptr);
        EXPECT_EQ(mold(out), c.expected) << c.what;
    }
    Cell text = at(string_of("hello"), 1);
    Cell copied;
    row(Type::series).on_copy(&text, &copied, nullptr, false, nullptr);
    EXPECT_EQ(form(copied), "ello");
    const Cell two = i(2);
    Cell taken = text;
    row(Type::series).on_take(&taken, &two, false, true);
    EXPECT_EQ(form(taken), "lo");
    EXPECT_EQ(form(at(text, 0)), "hel");
}

TEST_F(SeriesTest, RandomShufflesInPlaceAndSeedsFromContent) {
    const ActionRow& r = row(Type::block);
    Cell b = block_of({});
    for (i32 n = 0; n < 50; ++n) block::append_value(b, i(n));
    Cell seed = string_of("seed");
    row(Type::series).on_random(&seed, true, false, false);
    EXPECT_TRUE(seed.is(Type::unset));
    Cell s = b;
    r.on_random(&s, false, false, false);
    std::vector<i32> values;
    for (u32 k = 0; k < 50; ++k) values.push_back(static_cast<i32>(block::cell_at(b, k)->w2));
    EXPECT_FALSE(std::is_sorted(values.begin(), values.end()));
    std::sort(values.begin(), values.end());
    for (i32 n = 0; n < 50; ++n) EXPECT_EQ(values[n], n);
    s = b;
    r.on_random(&s, false, false, true);
    EXPECT_TRUE(s.is(Type::integer));
}
