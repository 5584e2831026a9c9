#pragma once
// The figures frame_gaps prints, from the times it noted: gaps between drawn
// frames, those that overlap the computer's thinking, and their median,
// maximum and count over a limit. Times are milliseconds from any origin.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace framestats {

/// From a move's start (the turn passing to the computer) to its cut, in ms.
struct Span {
    double start = 0, end = 0;
};

/// Median (the upper one of an even count), maximum and how many exceed a
/// limit; all 0 for no values.
struct Summary {
    std::size_t count = 0;
    double median = 0, max = 0;
    std::size_t over = 0;
};

inline Summary Summarize(std::vector<double> values, double limit) {
    Summary s;
    s.count = values.size();
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    s.median = values[values.size() / 2];
    s.max = values.back();
    s.over = static_cast<std::size_t>(
        std::count_if(values.begin(), values.end(), [limit](double v) { return v > limit; }));
    return s;
}

/// Every gap between consecutive frames, and those that overlap a span.
struct Gaps {
    std::vector<double> all, thinking;
};

/// `frames` in the order drawn; `spans` in time order and apart. A gap that
/// only touches a span (ends at its start, begins at its end) is not in it:
/// the frame drawn right after a cut closes the gap that holds the cut.
inline Gaps GapsOf(const std::vector<double>& frames, const std::vector<Span>& spans) {
    Gaps gaps;
    std::size_t span = 0;
    for (std::size_t k = 1; k < frames.size(); ++k) {
        const double from = frames[k - 1], to = frames[k];
        gaps.all.push_back(to - from);
        while (span < spans.size() && spans[span].end <= from) ++span;
        if (span < spans.size() && spans[span].start < to) gaps.thinking.push_back(to - from);
    }
    return gaps;
}

} // namespace framestats
