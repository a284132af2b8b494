#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "runtime/eval/error.h"
#include "runtime/memory/heap.h"
#include "runtime/sort.h"

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
        case Shape::random: key = gen(); break;
        case Shape::few_keys: key = gen() % 5; break;
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
