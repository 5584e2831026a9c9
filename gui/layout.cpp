#include "gui/detail/layout.h"

#include <algorithm>
#include <cstdint>

namespace gui {
namespace {

// Products of client sizes and positions can leave int; the results fit.
int Scale(std::int64_t value, std::int64_t numerator, std::int64_t denominator) {
    return static_cast<int>(value * numerator / denominator);
}

} // namespace

Span LayoutAxis(int lowMode, int highMode, int lockPos, int lockSize, int lockClient, int client) {
    lockClient = std::max(lockClient, 1);
    const bool lowFree = lowMode != 1 && lowMode != 2;
    const bool highFree = highMode != 1 && highMode != 2;
    Span span;
    if (lowFree && highFree) {
        span.start = Scale(client, lockPos + lockSize / 2, lockClient) - lockSize / 2;
        span.end = span.start + lockSize;
        return span;
    }
    const int lockEnd = lockPos + lockSize;
    if (!lowFree) span.start = lowMode == 1 ? lockPos : Scale(client, lockPos, lockClient);
    if (!highFree)
        span.end =
            highMode == 1 ? client - (lockClient - lockEnd) : Scale(client, lockEnd, lockClient);
    if (lowFree) span.start = span.end - lockSize;
    if (highFree) span.end = span.start + lockSize;
    return span;
}

Point CentredPosition(int ax, int ay, int aw, int ah, int w, int h) {
    return Point{ax + (aw - w) / 2, ay + (ah - h) / 2};
}

} // namespace gui
