#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include "runtime/core/hooks.h"
#include "runtime/core/raise.h"
#include "runtime/datatypes/logic.h"
#include "runtime/datatypes/sort.h"
#include "runtime/memory/heap.h"
#include "tests/unit/series-fixture.h"

using namespace zel;

namespace {

// Records of a key and their input position, so that stability can be seen.
struct Rec {
    u32 key;
    u32 seq;
};

struct Counted {
    std::size_t calls = 0;
    std::size_t throw_at = 0;  // 0: never
};

i32 by_key(const void* a, const void* b, i32, u32 flags, void* context) {
    auto* counted = static_cast<Counted*>(context);
    if (counted) {
        ++counted->calls;
        if (counted->throw_at && counted->calls == counted->throw_at) raise(ErrorId::script_invalid_compare);
    }
    const u32 x = static_cast<const Rec*>(a)->key;
    const u32 y = static_cast<const Rec*>(b)->key;
    const i32 c = (x > y) - (x < y);
    return flags ? -c : c;
}

enum class Shape { random, few_keys, sorted, reversed, organ_pipe, sorted_with_noise };

std::vector<Rec> make(Shape shape, std::size_t n, u32 seed) {
    std::mt19937 gen(seed);
    std::vector<Rec> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        u32 key = 0;
        switch (shape) {
        case Shape::random: key = static_cast<u32>(gen()); break;
        case Shape::few_keys: key = static_cast<u32>(gen() % 5); break;
        case Shape::sorted: key = static_cast<u32>(i); break;
        case Shape::reversed: key = static_cast<u32>(n - i); break;
        case Shape::organ_pipe: key = static_cast<u32>(i < n / 2 ? i : n - i); break;
        case Shape::sorted_with_noise: key = static_cast<u32>(i % 1000 == 7 ? gen() % n : i); break;
        }
        v[i] = {key, static_cast<u32>(i)};
    }
    return v;
}

bool by_key_less(const Rec& a, const Rec& b) { return a.key < b.key; }

}  // namespace

TEST(Sort, BothSortsOrderEveryShapeAndTheStableOneKeepsTies) {
    const Shape shapes[] = {Shape::random,   Shape::few_keys,   Shape::sorted,
                            Shape::reversed, Shape::organ_pipe, Shape::sorted_with_noise};
    const std::size_t sizes[] = {0, 1, 2, 7, 8, 23, 25, 100, 513, 5000, 100000};
    for (Shape shape : shapes) {
        for (std::size_t n : sizes) {
            const std::vector<Rec> input = make(shape, n, static_cast<u32>(n) * 7 + static_cast<u32>(shape));
            std::vector<Rec> expected = input;
            std::stable_sort(expected.begin(), expected.end(), by_key_less);

            std::vector<Rec> stable = input;
            sort::stable_sort(stable.data(), n, sizeof(Rec), sort::Comparator{by_key});
            for (std::size_t i = 0; i < n; ++i) {
                ASSERT_EQ(stable[i].key, expected[i].key) << "stable shape " << int(shape) << " n " << n << " at " << i;
                ASSERT_EQ(stable[i].seq, expected[i].seq) << "stable ties shape " << int(shape) << " n " << n;
            }

            std::vector<Rec> quick = input;
            sort::quick_sort(quick.data(), n, sizeof(Rec), sort::Comparator{by_key});
            for (std::size_t i = 0; i < n; ++i)
                ASSERT_EQ(quick[i].key, expected[i].key) << "quick shape " << int(shape) << " n " << n << " at " << i;
            std::vector<u32> seqs;
            for (const Rec& r : quick) seqs.push_back(r.seq);
            std::sort(seqs.begin(), seqs.end());
            for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(seqs[i], i) << "quick lost a record";
        }
    }
}

TEST(Sort, FlagsReachTheComparator) {
    std::vector<Rec> v = make(Shape::random, 300, 3);
    sort::stable_sort(v.data(), v.size(), sizeof(Rec), sort::Comparator{by_key, 0, 1});
    EXPECT_TRUE(std::is_sorted(v.begin(), v.end(), [](const Rec& a, const Rec& b) { return a.key > b.key; }));
}

TEST(Sort, EqualRecordsInsideADescendingRunKeepTheirOrder) {
    std::vector<Rec> v = {{5, 0}, {4, 1}, {4, 2}, {3, 3}, {3, 4}, {1, 5}};
    sort::stable_sort(v.data(), v.size(), sizeof(Rec), sort::Comparator{by_key});
    const u32 seqs[] = {5, 3, 4, 1, 2, 0};
    for (std::size_t i = 0; i < v.size(); ++i) EXPECT_EQ(v[i].seq, seqs[i]);
}

TEST(Sort, PresortedInputCostsAboutOneComparisonPerRecord) {
    const std::size_t n = 100000;
    for (Shape shape : {Shape::sorted, Shape::reversed}) {
        std::vector<Rec> v = make(shape, n, 1);
        Counted counted;
        sort::quick_sort(v.data(), n, sizeof(Rec), sort::Comparator{by_key, 0, 0, &counted});
        EXPECT_LT(counted.calls, n + n / 20) << int(shape);
        EXPECT_TRUE(std::is_sorted(v.begin(), v.end(), by_key_less));
    }
}

TEST(Sort, ThreeByteRecordsAreSwappedByteByByte) {
    u8 data[] = {3, 'c', 'C', 1, 'a', 'A', 2, 'b', 'B'};
    auto first_byte = [](const void* a, const void* b, i32, u32, void*) -> i32 {
        return *static_cast<const u8*>(a) - *static_cast<const u8*>(b);
    };
    for (auto sorter : {&sort::stable_sort, &sort::quick_sort}) {
        u8 copy[sizeof data];
        std::memcpy(copy, data, sizeof data);
        sorter(copy, 3, 3, sort::Comparator{first_byte});
        EXPECT_EQ(0, std::memcmp(copy, "\1aA\2bB\3cC", 9));
    }
}

TEST(Sort, AComparatorThatRaisesLeavesAPermutationAndNoScratch) {
    const std::size_t heap_blocks = heap::block_count();
    for (std::size_t throw_at : {1u, 30u, 200u, 900u, 1500u}) {
        for (auto sorter : {&sort::stable_sort, &sort::quick_sort}) {
            std::vector<Rec> v = make(Shape::random, 400, static_cast<u32>(throw_at));
            Counted counted{0, throw_at};
            EXPECT_THROW(sorter(v.data(), v.size(), sizeof(Rec), sort::Comparator{by_key, 0, 0, &counted}), ErrorThrow);
            std::vector<u32> seqs;
            for (const Rec& r : v) seqs.push_back(r.seq);
            std::sort(seqs.begin(), seqs.end());
            for (std::size_t i = 0; i < v.size(); ++i) ASSERT_EQ(seqs[i], i) << "throw at " << throw_at;
        }
    }
    EXPECT_EQ(heap::block_count(), heap_blocks);
}

// ---- sort of blocks ------------------------------------------------------------------


class BlockSortTest : public SeriesFixture {
protected:
    void TearDown() override {
        hooks::call_function = nullptr;
        SeriesFixture::TearDown();
    }
    static Cell sorted(Cell b, const SortRefinements& r) {
        row(Type::block).on_sort(&b, r);
        return b;
    }
    static Cell function_value() { return Cell{header_of(Type::function), 0, 0, 0}; }
};

TEST_F(BlockSortTest, RecordsFieldsReverseAndPart) {
    const Cell two = i(2), one = i(1), three = i(3), minus_two = i(-2);
    auto with = [](auto set) {
        SortRefinements r;
        set(r);
        return r;
    };
    struct Case {
        const char* what;
        Cell block;
        SortRefinements r;
        const char* expected;
    };
    const Case cases[] = {
        {"plain", block_of({i(3), i(1), i(2)}), {}, "[1 2 3]"},
        {"reverse", block_of({i(3), i(1), i(2)}), with([](auto& r) { r.reverse = true; }), "[3 2 1]"},
        {"mixed types by type id", block_of({i(2), w("b"), string_of("s"), i(1), w("a")}), {}, "[\"s\" 1 2 a b]"},
        {"skip 2 compare 2", block_of({i(1), w("c"), i(2), w("a"), i(3), w("b")}),
         with([&](auto& r) {
             r.skip = &two;
             r.compare = &two;
         }),
         "[2 a 3 b 1 c]"},
        {"skip 2 all", block_of({i(1), w("b"), i(1), w("a"), i(0), w("z")}),
         with([&](auto& r) {
             r.skip = &two;
             r.all = true;
         }),
         "[0 z 1 a 1 b]"},
        {"part 2", at(block_of({i(9), i(5), i(4), i(1)}), 1), with([&](auto& r) { r.part = &two; }), "[9 4 5 1]"},
        {"part -2", at(block_of({i(9), i(5), i(4), i(1)}), 2), with([&](auto& r) { r.part = &minus_two; }),
         "[5 9 4 1]"},
    };
    for (const Case& c : cases) {
        sorted(c.block, c.r);
        EXPECT_EQ(mold(at(c.block, 0)), c.expected) << c.what;
    }
    struct Failure {
        const char* what;
        SortRefinements r;
        ErrorId error;
    };
    const Failure failures[] = {
        {"all without skip", with([](auto& r) { r.all = true; }), ErrorId::script_bad_refines},
        {"skip 2 of 3", with([&](auto& r) { r.skip = &two; }), ErrorId::script_invalid_refine_arg},
        {"compare field without skip", with([&](auto& r) { r.compare = &one; }), ErrorId::script_bad_refines},
        {"compare field 3 of 1", with([&](auto& r) {
             r.skip = &one;
             r.compare = &three;
         }),
         ErrorId::script_out_of_range},
    };
    for (const Failure& f : failures)
        EXPECT_EQ(test::error_of([&] { sorted(block_of({i(3), i(1), i(2)}), f.r); }), f.error) << f.what;
}

TEST_F(BlockSortTest, StableKeepsEqualRecordsInOrder) {
    // Records [key tag]: sorted by key only, the tags of equal keys keep their order.
    Cell b = block_of({});
    for (i32 n = 0; n < 60; ++n) {
        block::append_value(b, i(n % 3));
        block::append_value(b, i(n));
    }
    const Cell two = i(2);
    SortRefinements r;
    r.skip = &two;
    r.stable = true;
    sorted(b, r);
    i32 last_key = -1, last_tag = -1;
    for (u32 k = 0; k < 120; k += 2) {
        const i32 key = static_cast<i32>(block::cell_at(b, k)->w2);
        const i32 tag = static_cast<i32>(block::cell_at(b, k + 1)->w2);
        ASSERT_GE(key, last_key);
        if (key == last_key) {
            ASSERT_GT(tag, last_tag);
        }
        last_key = key;
        last_tag = tag;
    }
}

TEST_F(BlockSortTest, ComparisonFunctionAnswers) {
    static i32 answer_kind;
    hooks::call_function = [](const Cell&, const Cell&, const Cell* args, u32, u32, Cell& result) {
        const i32 x = static_cast<i32>(args[0].w2), y = static_cast<i32>(args[1].w2);
        switch (answer_kind) {
        case 0: result = logic::cell(x < y); break;                                          // [a b][a < b]
        case 1: result = Cell{header_of(Type::integer), 0, static_cast<u32>(x - y), 0}; break;  // [a b][a - b]
        default: result = none_cell;
        }
    };
    for (answer_kind = 0; answer_kind < 2; ++answer_kind) {
        for (bool stable : {false, true}) {
            const Cell f = function_value();
            SortRefinements r;
            r.compare = &f;
            r.stable = stable;
            EXPECT_EQ(mold(sorted(block_of({i(3), i(1), i(2), i(5), i(4)}), r)), "[1 2 3 4 5]")
                << answer_kind << stable;
            r.reverse = true;
            EXPECT_EQ(mold(sorted(block_of({i(3), i(1), i(2), i(5), i(4)}), r)), "[5 4 3 2 1]")
                << answer_kind << stable;
        }
    }
}

TEST_F(BlockSortTest, AComparisonThatRaisesOrGrowsTheBlockLeavesItWhole) {
    static Cell target;
    static i32 calls;
    static i32 raise_at;
    hooks::call_function = [](const Cell&, const Cell&, const Cell* args, u32, u32, Cell& result) {
        // Growing the block moves its buffer while the sort is running.
        for (i32 k = 0; k < 8; ++k) block::append_value(target, i(1000));
        block::set_tail(target, 40);
        if (++calls == raise_at) raise(ErrorId::script_invalid_compare);
        result = logic::cell(static_cast<i32>(args[0].w2) < static_cast<i32>(args[1].w2));
    };
    for (bool stable : {false, true}) {
        for (i32 at_call : {1, 17, 60, 0}) {
            target = block_of({});
            for (i32 n = 0; n < 40; ++n) block::append_value(target, i((n * 17) % 40));
            calls = 0;
            raise_at = at_call;
            const Cell f = function_value();
            SortRefinements r;
            r.compare = &f;
            r.stable = stable;
            const auto error = test::error_of([&] { sorted(target, r); });
            EXPECT_EQ(error.has_value(), at_call != 0);
            std::vector<i32> values;
            for (u32 k = 0; k < length(target); ++k) values.push_back(static_cast<i32>(block::cell_at(target, k)->w2));
            ASSERT_EQ(values.size(), 40u);
            if (at_call == 0) {
                EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
            }
            std::sort(values.begin(), values.end());
            std::vector<i32> each(40);
            std::iota(each.begin(), each.end(), 0);
            ASSERT_EQ(values, each) << "stable " << stable << " raise at " << at_call;
        }
    }
}
