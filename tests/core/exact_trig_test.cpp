#include "core/exact_trig.h"

#include <cmath>
#include <limits>
#include <numbers>

#include <gtest/gtest.h>

namespace {

// The rings the physics builders place, the k-th of n masses at 2 pi k / n:
// rounded to float as the builders round them, the exact functions must give
// what the desktop's C library gives, or every scene with a ring would change
// its bits. Rims up to 2048 cover every shape a program builds by hand (the
// check has been run to 30,000 without a difference).
TEST(ExactTrig, RingAnglesRoundToTheLibrarysFloats) {
    long checked = 0;
    for (int n = 3; n <= 2048; ++n) {
        for (int k = 0; k < n; ++k) {
            const double a = 2 * std::numbers::pi * k / n;
            ASSERT_EQ(static_cast<float>(core::ExactCos(a)), static_cast<float>(std::cos(a)))
                << "cos, k = " << k << " of " << n;
            ASSERT_EQ(static_cast<float>(core::ExactSin(a)), static_cast<float>(std::sin(a)))
                << "sin, k = " << k << " of " << n;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 2048L * 2049 / 2 - 3);
}

// Near the quadrant edges the reduction cancels almost every bit: cos of the
// double nearest pi / 2 is the small gap to the true pi / 2, which a plain
// subtraction of one double pi / 2 would give as 0.
TEST(ExactTrig, ReductionKeepsTheBitsNearQuadrantEdges) {
    const double halfPi = std::numbers::pi / 2;
    EXPECT_DOUBLE_EQ(core::ExactCos(halfPi), 6.123233995736766e-17);
    EXPECT_DOUBLE_EQ(core::ExactSin(std::numbers::pi), 1.2246467991473532e-16);
    EXPECT_EQ(core::ExactSin(halfPi), 1.0);
    EXPECT_EQ(core::ExactCos(0.0), 1.0);
    EXPECT_EQ(core::ExactSin(0.0), 0.0);
    // Large arguments, many turns away, and negative ones.
    EXPECT_NEAR(core::ExactSin(1000.0), std::sin(1000.0), 1e-15);
    EXPECT_NEAR(core::ExactCos(-12345.678), std::cos(-12345.678), 1e-15);
    for (double x = -20; x <= 20; x += 0.37) {
        EXPECT_EQ(core::ExactSin(-x), -core::ExactSin(x)) << x;
        EXPECT_EQ(core::ExactCos(-x), core::ExactCos(x)) << x;
        EXPECT_NEAR(core::ExactSin(x), std::sin(x), 2e-16 * (1 + std::fabs(x))) << x;
    }
}

TEST(ExactTrig, NotFiniteGivesNaN) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(std::isnan(core::ExactSin(inf)));
    EXPECT_TRUE(std::isnan(core::ExactCos(-inf)));
    EXPECT_TRUE(std::isnan(core::ExactSin(std::numeric_limits<double>::quiet_NaN())));
}

} // namespace
