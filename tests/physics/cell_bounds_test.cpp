// The grid walk passes over a cell when its bounds say no mass inside can
// reach the current one. That must never hide a pair the contact's own box
// test (as it rounds) would call near.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "physics/grid/cell_bounds.h"

namespace {

using kel::tangle::detail::TCellBounds;
using kel::tangle::detail::TReach;

struct Circle {
    float x, y, r;
};

// The walk's test, exactly as it rounds.
bool Near(const Circle& m, const Circle& o) {
    const float r = m.r + o.r;
    return !(std::fabs(o.x - m.x) > r) && !(std::fabs(o.y - m.y) > r);
}

TCellBounds BoundsOf(const std::vector<Circle>& cell) {
    TCellBounds b;
    b.Clear();
    for (const Circle& o : cell) b.Include(o.x, o.y, o.r);
    return b;
}

// Moves v by k steps of one unit in the last place.
float Ulps(float v, int k) {
    const float to = k > 0 ? std::numeric_limits<float>::infinity()
                           : -std::numeric_limits<float>::infinity();
    for (int i = 0; i < std::abs(k); ++i) v = std::nextafter(v, to);
    return v;
}

TEST(CellBounds, NeverPassesOverANearMassEvenAtTheRoundingEdge) {
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> unit(0, 1);
    std::uniform_int_distribution<int> ulps(-4, 4);
    const float scales[] = {1e-3f, 1, 1000, 2e6f, 3e9f};
    int passedOver = 0;
    for (int trial = 0; trial < 200000; ++trial) {
        const float scale = scales[trial % 5];
        Circle m{(unit(rng) - 0.5f) * scale, (unit(rng) - 0.5f) * scale, unit(rng) * scale * 0.01f};
        std::vector<Circle> cell;
        for (int k = 0; k < 1 + trial % 3; ++k) {
            Circle o{0, 0, unit(rng) * scale * 0.01f};
            if (trial % 7 == 0) o.r = -o.r; // the walk accepts any radius
            // Just about touching along one axis, a few units in the last
            // place in or out, anywhere along the other.
            const float reach = m.r + o.r;
            const float side = unit(rng) < 0.5f ? -1.0f : 1.0f;
            const float along = (unit(rng) * 2 - 1) * reach;
            if (k % 2 == 0) {
                o.x = Ulps(m.x + side * reach, ulps(rng));
                o.y = m.y + along;
            } else {
                o.x = m.x + along;
                o.y = Ulps(m.y + side * reach, ulps(rng));
            }
            cell.push_back(o);
        }
        if (!BoundsOf(cell).OutOfReach(TReach(m.x, m.y, m.r))) continue;
        ++passedOver;
        for (const Circle& o : cell) ASSERT_FALSE(Near(m, o)) << "trial " << trial;
    }
    // Clearly far masses must still be passed over, or the test proves nothing.
    EXPECT_GT(passedOver, 1000);
}

TEST(CellBounds, PassesOverOnlyWhatIsClearlyOutOfReach) {
    const TCellBounds cell = BoundsOf({{5, 5, 4}, {12, 6, 4}});
    EXPECT_TRUE(cell.OutOfReach(TReach(40, 5, 4)));   // right of it
    EXPECT_TRUE(cell.OutOfReach(TReach(-20, 5, 4)));  // left
    EXPECT_TRUE(cell.OutOfReach(TReach(8, 30, 4)));   // below
    EXPECT_TRUE(cell.OutOfReach(TReach(8, -20, 4)));  // above
    EXPECT_FALSE(cell.OutOfReach(TReach(19, 6, 4)));  // touching the second
    EXPECT_FALSE(cell.OutOfReach(TReach(-3, 5, 4)));  // touching the first
    // A box, not the masses: a corner of it with no mass near is still walked.
    EXPECT_FALSE(BoundsOf({{5, 5, 4}, {20, 20, 4}}).OutOfReach(TReach(20, 5, 4)));
}

TEST(CellBounds, AnEmptyCellIsOutOfReachOfEveryFiniteMass) {
    TCellBounds empty;
    empty.Clear();
    EXPECT_TRUE(empty.OutOfReach(TReach(0, 0, 0)));
    EXPECT_TRUE(empty.OutOfReach(TReach(-1e30f, 1e30f, 1e30f)));
}

TEST(CellBounds, NotANumberOrInfinityKeepsTheCellWalked) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    // Whatever is in the cell, a mass that is not a number is never passed
    // over: its own test against the cell's masses decides.
    EXPECT_FALSE(BoundsOf({{5, 5, 1}}).OutOfReach(TReach(nan, 0, 1)));
    EXPECT_FALSE(BoundsOf({{5, 5, 1}}).OutOfReach(TReach(0, 0, nan)));
    // A cell holding a mass that is not a number, or at infinity, is always
    // walked, however the masses came in.
    for (const Circle& odd : {Circle{nan, 5, 1}, Circle{5, 5, nan}, Circle{inf, 5, 1},
                              Circle{5, -inf, 1}, Circle{5, 5, inf}}) {
        EXPECT_FALSE(BoundsOf({odd, {5, 5, 1}}).OutOfReach(TReach(500, 500, 1)));
        EXPECT_FALSE(BoundsOf({{5, 5, 1}, odd}).OutOfReach(TReach(500, 500, 1)));
        EXPECT_FALSE(BoundsOf({{5, 5, 1}, odd, {6, 6, 1}}).OutOfReach(TReach(-500, -500, 1)));
    }
}

} // namespace
