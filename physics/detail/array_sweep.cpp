// The sweep of a pass in which no outside code runs: the cells are walked as
// contiguous arrays, four slots at a time.

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "physics/detail/cell_arrays.h"
#include "physics/detail/contact.h"
#include "physics/detail/sleep.h"
#include "physics/detail/step.h"
#include "physics/world.h"

namespace kel::tangle::detail {

namespace {

using Slot = TCellArrays::Slot;
static_assert(TCellArrays::kLanes == 4, "the walk tests four slots at a time");

// The lanes of the four slots from s on that may touch the walking mass:
// those that pass the contact's own box test and the group test, done here
// so that a miss costs no call. As in the contact, a NaN passes the box test
// and fails no group test.
#if defined(__SSE2__)
class TProbe {
  public:
    explicit TProbe(const TMass* m)
        : r_(_mm_set1_ps(m->radius)), g_(_mm_set1_ps(m->colGroup)),
          sign_(_mm_set1_ps(-0.0f)), zero_(_mm_setzero_ps()) {
        MovedTo(m);
    }
    void MovedTo(const TMass* m) {
        x_ = _mm_set1_ps(m->posX);
        y_ = _mm_set1_ps(m->posY);
    }
    unsigned Candidates(const TCellArrays& cells, Slot s) const {
        const __m128 r = _mm_add_ps(r_, _mm_loadu_ps(cells.R() + s));
        const __m128 dx = _mm_andnot_ps(sign_, _mm_sub_ps(_mm_loadu_ps(cells.X() + s), x_));
        const __m128 dy = _mm_andnot_ps(sign_, _mm_sub_ps(_mm_loadu_ps(cells.Y() + s), y_));
        const __m128 far = _mm_or_ps(_mm_cmpgt_ps(dx, r), _mm_cmpgt_ps(dy, r));
        const __m128 g = _mm_loadu_ps(cells.G() + s);
        const __m128 meets = _mm_and_ps(_mm_cmpneq_ps(g, zero_), _mm_cmpneq_ps(g, g_));
        return static_cast<unsigned>(_mm_movemask_ps(_mm_andnot_ps(far, meets)));
    }

  private:
    __m128 x_, y_;
    const __m128 r_, g_, sign_, zero_;
};
#else
class TProbe {
  public:
    explicit TProbe(const TMass* m) : r_(m->radius), g_(m->colGroup) { MovedTo(m); }
    void MovedTo(const TMass* m) {
        x_ = m->posX;
        y_ = m->posY;
    }
    unsigned Candidates(const TCellArrays& cells, Slot s) const {
        unsigned lanes = 0;
        for (unsigned lane = 0; lane < TCellArrays::kLanes; ++lane) {
            const float r = r_ + cells.R()[s + lane];
            const bool far = std::fabs(cells.X()[s + lane] - x_) > r ||
                             std::fabs(cells.Y()[s + lane] - y_) > r;
            const float g = cells.G()[s + lane];
            if (!far && g != 0 && g != g_) lanes |= 1u << lane;
        }
        return lanes;
    }

  private:
    float x_, y_;
    const float r_, g_;
};
#endif

// Tests m against the masses of the slots [a, b), in order. A contact moves
// m and the other mass, whose state lives in its slot; the slots after it are
// tested from m's new place.
void WalkRange(TCellArrays& cells, TMass* m, TProbe& probe, Slot a, Slot b) {
    for (Slot s = a; s < b; s += TCellArrays::kLanes) {
        const unsigned inRange = b - s >= TCellArrays::kLanes ? 0xFu : (1u << (b - s)) - 1;
        unsigned lanes = probe.Candidates(cells, s) & inRange;
        while (lanes) {
            const unsigned lane = static_cast<unsigned>(__builtin_ctz(lanes));
            lanes &= lanes - 1;
            TMass* o = cells.MassAt(s + lane);
            if (o == m) continue; // a mass never meets itself
            TCellArrays::Body body(cells, s + lane);
            TContactPoint at;
            if (!ResolveOverlap(m, &body, at)) continue;
            DeferContact({TColEvent::MASS_MASS, m, o, at.x, at.y, at.force});
    if (contactLog) contactLog->NoteContact(m, o);
            probe.MovedTo(m);
            lanes = probe.Candidates(cells, s) & inRange & (~0u << (lane + 1));
        }
    }
}

} // namespace

void TStepper::SweepCellArrays(TPhysics& w, const std::vector<TMass*>& order) {
    const int span = w.GridSpan();
    const TContactBatch batch;
    cellArrays_.Build(order, span);
    for (std::size_t k = 0; k < order.size(); ++k) {
        TMass* m = order[k];
        cellArrays_.TakeTurn(k);
        KeepInBounds(w, m);
        if (!m->frozen) CollideZones(m);
        const TCellPlace at = Rebin(m, &w);
        const Slot slot = cellArrays_.Move(k, at);
        // Group 0 collides with nothing: no walk could find a contact.
        if (m->colGroup != 0) {
            TProbe probe(m);
            const TNeighbourhood around(at, span);
            for (int cx = around.x0; cx <= around.x1; ++cx) {
                for (int cy = around.y0; cy <= around.y1; ++cy) {
                    const TCellArrays::Walk cell = cellArrays_.WalkOf(cx, cy);
                    WalkRange(cellArrays_, m, probe, cell.cursor, cell.end);
                    WalkRange(cellArrays_, m, probe, cell.start, cell.cursor);
                }
            }
        }
        cellArrays_.EndTurn(slot, m);
    }
    cellArrays_.Unload(order);
}

} // namespace kel::tangle::detail
