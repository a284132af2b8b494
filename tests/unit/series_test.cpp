#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/series.h"
#include "tests/unit/series-fixture.h"

using namespace zel;

class SeriesTest : public SeriesFixture {
protected:
    static Cell five() { return block_of({i(1), i(2), i(3), i(4), i(5)}); }
};

TEST_F(SeriesTest, AnIndexPastTheTailOfAShortenedSeriesIsPulledBack) {
    Cell past = at(five(), 4);
    block::set_tail(past, 2);
    EXPECT_EQ(row(Type::block).on_length_q(&past), 0);
    EXPECT_EQ(past.w1, 2u);
}

TEST_F(SeriesTest, PickAndPokeOnStrings) {
    const Cell two = i(2), nine = i(9);
    Cell text = string_of("abc");
    EXPECT_EQ(mold(*row(Type::series).on_pick(&text, &two)), "#\"b\"");
    const Cell text_value = string_of("abc");
    const Cell wide = Cell{header_of(Type::char_), 0, 0x20AC, 0};
    Cell str = text_value;
    EXPECT_EQ(mold(*row(Type::series).on_poke(&str, &two, &wide)), "#\"€\"");
    EXPECT_EQ(form(text_value), "a€c");
    str = text_value;
    EXPECT_EQ(test::error_of([&] { row(Type::series).on_poke(&str, &two, &nine); }), ErrorId::script_invalid_arg);
}

TEST_F(SeriesTest, MoveBetweenStringsOfDifferentWidths) {
    const Cell two = i(2);
    const Cell narrow = string_of("abc"), wide = string_of("€");
    Cell str1 = narrow, str2 = wide;
    row(Type::series).on_move(&str1, &str2, &two);
    EXPECT_EQ(form(wide), "ab€");
    EXPECT_EQ(form(narrow), "c");
}

TEST_F(SeriesTest, CopyAndTakeOnStrings) {
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
    std::vector<i32> each(50);
    std::iota(each.begin(), each.end(), 0);
    EXPECT_EQ(values, each);
    s = b;
    r.on_random(&s, false, false, true);
    EXPECT_TRUE(s.is(Type::integer));
}
