#pragma once
// Passing over a whole grid cell when no mass in it can reach the mass that
// walks: a box around the cell's masses against what the mass can reach.

#include <cmath>
#include <limits>
#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace kel::tangle::detail {

// The margin of the reach tests below, relative to the magnitudes involved:
// far above the few rounding errors of the contact's box test and of these
// tests, and still small enough to pass over nearly every cell out of reach.
constexpr float kReachMargin = 0x1p-12f;

// The four edges of a box as values that grow outwards: right, bottom,
// minus left, minus top. Two boxes are apart when some edge of one lies
// before the facing edge of the other, which is one compare per lane.
using TEdges = float[4];

// What a mass can reach, its radius and margin included, with the edges
// facing a cell's box: left, top, minus right, minus bottom.
struct TReach {
    TEdges edge;
    TReach(float x, float y, float r) {
        const float margin = (std::fabs(x) + std::fabs(y) + std::fabs(r)) * kReachMargin;
        edge[0] = x - r - margin;
        edge[1] = y - r - margin;
        edge[2] = -(x + r + margin);
        edge[3] = -(y + r + margin);
    }
};

// A box around the masses of a cell, each grown by its radius and by a
// margin, so that a whole cell can be passed over when nothing in it can
// reach a mass. Kept up to date only where the step knows every move (the
// cell arrays of a quiet sweep).
struct TCellBounds {
    TEdges edge = {0, 0, 0, 0};
    // The largest |x| + |y| + |radius| inside, times kReachMargin; every
    // edge lies at least that far out.
    float margin = 0;

    void Clear() {
        for (float& e : edge) e = -std::numeric_limits<float>::infinity();
        margin = 0;
    }
    void Include(float x, float y, float r) {
        const float m = (std::fabs(x) + std::fabs(y) + std::fabs(r)) * kReachMargin;
        if (!(m <= margin)) {
            if (m == m && m < std::numeric_limits<float>::infinity()) {
                margin = m; // every edge moves out by the larger margin
                for (float& e : edge) e += m;
            } else {
                // A NaN or an infinity: the cell is never passed over.
                margin = std::numeric_limits<float>::infinity();
                for (float& e : edge) e = margin;
            }
        }
#if defined(__SSE__)
        // The four edges at once: -x + r is -(x - r) exactly, and adding the
        // margin to it is subtracting x - r from the margin; a NaN keeps the
        // edge, as Grow does.
        const __m128 grown = _mm_add_ps(
            _mm_add_ps(_mm_setr_ps(x, y, -x, -y), _mm_set1_ps(r)), _mm_set1_ps(margin));
        _mm_storeu_ps(edge, _mm_max_ps(grown, _mm_loadu_ps(edge)));
#else
        Grow(edge[0], x + r + margin);
        Grow(edge[1], y + r + margin);
        Grow(edge[2], margin - (x - r));
        Grow(edge[3], margin - (y - r));
#endif
    }
    // True only when every mass inside fails the contact's box test against
    // the mass of this reach, as that test rounds. Any NaN makes it false.
    bool OutOfReach(const TReach& reach) const {
#if defined(__SSE__)
        return _mm_movemask_ps(_mm_cmplt_ps(_mm_loadu_ps(edge), _mm_loadu_ps(reach.edge))) != 0;
#else
        return (edge[0] < reach.edge[0]) | (edge[1] < reach.edge[1]) | (edge[2] < reach.edge[2]) |
               (edge[3] < reach.edge[3]);
#endif
    }

  private:
    static void Grow(float& e, float v) { e = v > e ? v : e; }
};

} // namespace kel::tangle::detail
