#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "runtime/datatypes/random.h"

using namespace zel;

TEST(Random, GeneratorIsTheStandardMersenneTwister) {
    for (u32 seed : {5489u, 5u, 19650218u, 0u}) {
        random::seed(seed);
        std::mt19937 oracle(seed);
        // More than one state's worth, so the regeneration is checked too.
        for (int i = 0; i < 1500; ++i) ASSERT_EQ(random::next(), oracle()) << "seed " << seed << " draw " << i;
    }
}

TEST(Random, IntUpToStaysInItsRange) {
    random::seed(7);
    struct Case { i32 bound, low, high; } const cases[] = {
        {1, 1, 1}, {-1, -1, -1}, {6, 1, 6}, {-3, -3, -1}, {INT32_MAX, 1, INT32_MAX}, {INT32_MIN, INT32_MIN, -1},
    };
    for (const Case& c : cases) {
        for (bool secure : {false, true}) {
            for (int i = 0; i < 100; ++i) {
                const i32 v = random::int_up_to(secure, c.bound);
                ASSERT_TRUE(v >= c.low && v <= c.high) << c.bound << " gave " << v;
            }
        }
    }
    EXPECT_EQ(random::int_up_to(false, 0), 0);
}

TEST(Random, IntUpToCoversEveryValue) {
    random::seed(11);
    int seen[7] = {};
    for (int i = 0; i < 7000; ++i) ++seen[random::int_up_to(false, 6)];
    EXPECT_EQ(seen[0], 0);
    for (int v = 1; v <= 6; ++v) EXPECT_GT(seen[v], 900) << v;
}
