#include <gtest/gtest.h>

#include "gui/detail/layout.h"
#include "gui/gui.h"

using namespace gui;

namespace {

void ExpectSpan(Span span, int start, int end) {
    EXPECT_EQ(span.start, start);
    EXPECT_EQ(span.end, end);
}

} // namespace

TEST(Layout, CentredKeepsRelativeCentreAndSize) {
    // Centre 125 of 400 -> 250 of 800; size 50 stays.
    ExpectSpan(LayoutAxis(0, 0, 100, 50, 400, 800), 225, 275);
    // Odd size: half of 51 truncates to 25 on both sides of the formula.
    ExpectSpan(LayoutAxis(0, 0, 100, 51, 400, 600), 162, 213);
    // Truncation towards zero for a negative product: 7 * -80 / 400 = -1.4.
    ExpectSpan(LayoutAxis(0, 0, -100, 40, 400, 7), -21, 19);
}

TEST(Layout, AlignedEdgesKeepTheirDistance) {
    ExpectSpan(LayoutAxis(1, 1, 10, 380, 400, 600), 10, 590);   // both edges follow
    ExpectSpan(LayoutAxis(0, 1, 295, 100, 400, 600), 495, 595); // right-anchored
    ExpectSpan(LayoutAxis(1, 0, 5, 100, 400, 600), 5, 105);     // left-anchored
    ExpectSpan(LayoutAxis(1, 1, 10, 380, 400, 200), 10, 190);   // shrinking
}

TEST(Layout, RelativeEdgesScale) {
    ExpectSpan(LayoutAxis(2, 2, 100, 100, 400, 600), 150, 300);
    ExpectSpan(LayoutAxis(2, 2, 100, 100, 400, 333), 83, 166); // 83.25, 166.5
    ExpectSpan(LayoutAxis(2, 0, 100, 100, 400, 600), 150, 250);
    ExpectSpan(LayoutAxis(0, 2, 100, 100, 400, 600), 200, 300);
    ExpectSpan(LayoutAxis(1, 2, 100, 100, 400, 600), 100, 300);
    // A zero recorded client size counts as 1 instead of dividing by zero.
    ExpectSpan(LayoutAxis(2, 2, 0, 0, 0, 10), 0, 0);
}

TEST(Layout, CentringRoundsTowardsZero) {
    const Point at = CentredPosition(0, 0, 1280, 1024, 400, 600);
    EXPECT_EQ(at.x, 440);
    EXPECT_EQ(at.y, 212);
    const Point odd = CentredPosition(10, 20, 101, 101, 200, 200); // -99 / 2 = -49
    EXPECT_EQ(odd.x, -39);
    EXPECT_EQ(odd.y, -29);
}
