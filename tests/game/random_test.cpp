#include <gtest/gtest.h>

#include "game/random.h"

using namespace game;

TEST(Random, StartsFromTheFixedStateAndStepsLikeParkMiller) {
    SeedRandom(0); // replaced by the start state
    EXPECT_EQ(RandomSeed(), 0x1234);
    // 48271 * 4660 fits before the modulus, so the first step is the product.
    EXPECT_EQ(RandomStep(), 48271 * 4660);
    // The Schrage form equals the plain modular product.
    long long s = 48271LL * 4660;
    for (int i = 0; i < 1000; ++i) {
        s = s * 48271 % 2147483647;
        ASSERT_EQ(RandomStep(), s);
    }
}

TEST(Random, SeedRulesAndReplay) {
    SeedRandom(0x7FFFFFFF);
    EXPECT_EQ(RandomSeed(), 0x1234);
    SeedRandom(-1); // all bits: masked to 0x7FFFFFFF, then replaced
    EXPECT_EQ(RandomSeed(), 0x1234);
    SeedRandom(0x80000005);
    EXPECT_EQ(RandomSeed(), 5);
    SeedRandom(99);
    int a[8];
    for (int& v : a) v = RandomInt(0, 9);
    SeedRandom(99);
    for (int v : a) EXPECT_EQ(RandomInt(0, 9), v);
}

TEST(Random, RangesCoverBothEndsInEitherOrder) {
    SeedRandom(1);
    bool seen[10] = {};
    for (int i = 0; i < 2000; ++i) {
        double d = RandomDouble();
        ASSERT_GE(d, 0.0);
        ASSERT_LT(d, 1.0);
        int v = RandomInt(0, 9);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 9);
        seen[v] = true;
        int w = RandomInt(5, 2); // reversed bounds: between 2 and 5
        ASSERT_GE(w, 2);
        ASSERT_LE(w, 5);
        ASSERT_EQ(RandomInt(3, 3), 3);
    }
    for (bool s : seen) EXPECT_TRUE(s);
}
