// The figures of frame_gaps: which gaps count as thinking, and the summary.
#include <gtest/gtest.h>

#include <vector>

#include "bench/game/frame_stats.h"

using framestats::GapsOf;
using framestats::Span;
using framestats::Summarize;

namespace {

const std::vector<double> FRAMES = {0, 16, 32, 100, 116, 132, 148};

TEST(FrameGaps, EveryGapOnceAndNoneThinkingWithoutMoves) {
    const auto gaps = GapsOf(FRAMES, {});
    EXPECT_EQ(gaps.all, (std::vector<double>{16, 16, 68, 16, 16, 16}));
    EXPECT_TRUE(gaps.thinking.empty());
    EXPECT_TRUE(GapsOf({}, {{0, 10}}).all.empty());
    EXPECT_TRUE(GapsOf({5}, {{0, 10}}).all.empty()); // one frame has no gap
}

TEST(FrameGaps, AGapCountsAsThinkingWhenItOverlapsAMove) {
    // The move starts inside the long gap and its cut falls between 116 and 132.
    EXPECT_EQ(GapsOf(FRAMES, {{50, 120}}).thinking, (std::vector<double>{68, 16, 16}));
    // A move inside one gap.
    EXPECT_EQ(GapsOf(FRAMES, {{40, 60}}).thinking, (std::vector<double>{68}));
    // Touching at either end is not overlapping: the cut at a frame's time
    // belongs to the gap after it.
    EXPECT_EQ(GapsOf(FRAMES, {{16, 32}}).thinking, (std::vector<double>{16}));
}

TEST(FrameGaps, SeveralMovesAndGapsBetweenThemThatAreNot) {
    const auto gaps = GapsOf(FRAMES, {{1, 2}, {20, 30}, {140, 200}});
    EXPECT_EQ(gaps.thinking, (std::vector<double>{16, 16, 16}));
    // Two moves within one gap count it once.
    EXPECT_EQ(GapsOf(FRAMES, {{40, 50}, {60, 70}}).thinking, (std::vector<double>{68}));
    // Moves after the last frame, or before the first, take no gap.
    EXPECT_TRUE(GapsOf(FRAMES, {{-50, -1}, {200, 300}}).thinking.empty());
}

TEST(FrameSummary, MedianMaxAndStrictlyOverTheLimit) {
    const auto s = Summarize({50, 10, 51, 20}, 50);
    EXPECT_EQ(s.count, 4u);
    EXPECT_EQ(s.median, 50); // the upper middle of an even count
    EXPECT_EQ(s.max, 51);
    EXPECT_EQ(s.over, 1u); // 50 itself is within the limit
    const auto odd = Summarize({3, 1, 2}, 0);
    EXPECT_EQ(odd.median, 2);
    EXPECT_EQ(odd.over, 3u);
}

TEST(FrameSummary, NothingGivesZeros) {
    const auto s = Summarize({}, 50);
    EXPECT_EQ(s.count, 0u);
    EXPECT_EQ(s.median, 0);
    EXPECT_EQ(s.max, 0);
    EXPECT_EQ(s.over, 0u);
}

} // namespace
