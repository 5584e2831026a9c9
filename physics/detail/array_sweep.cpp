// The sweep of a pass in which no outside code runs: the cells are walked
// from their arrays, four slots at a time.

#include <cmath>
#include <cstdint>

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
using Block = TCellArrays::Block;
using Lanes = std::uint64_t; // one bit per slot of a cell
constexpr Slot kMaxMaskedCell = 64;
static_assert(TCellArrays::kLanes == 4, "a block is tested as one vector of four");

// The mass that walks: what it can reach, for the cells' boxes, and the
// first tests of the contact on a block of four slots, done here so that a
// miss costs no call: the box test, the group test, and whether the centres
// are nearer than the radii, computed as the contact computes it. A slot
// that fails any of them would give no contact (the contact returns before
// it changes anything); a NaN fails none of them, as in the contact.
class TProbe {
  public:
    explicit TProbe(const TMass* m)
        : reach_(m->posX, m->posY, m->radius), r_(m->radius), g_(m->colGroup) {
        Set(x_, m->posX);
        Set(y_, m->posY);
    }
    void MovedTo(const TMass* m) {
        reach_ = TReach(m->posX, m->posY, m->radius);
        Set(x_, m->posX);
        Set(y_, m->posY);
    }
    bool CannotReach(const TCellBounds& bounds) const { return bounds.OutOfReach(reach_); }
    // The lanes of a block that pass every test.
    unsigned Candidates(const Block& b) const {
#if defined(__SSE2__)
        const __m128 sign = _mm_set1_ps(-0.0f);
        const __m128 r = _mm_add_ps(_mm_set1_ps(r_), _mm_load_ps(b.r));
        const __m128 ox = _mm_load_ps(b.x), oy = _mm_load_ps(b.y);
        const __m128 far = _mm_or_ps(_mm_cmpgt_ps(_mm_andnot_ps(sign, _mm_sub_ps(ox, x_)), r),
                                     _mm_cmpgt_ps(_mm_andnot_ps(sign, _mm_sub_ps(oy, y_)), r));
        const __m128 g = _mm_load_ps(b.g);
        const __m128 meets =
            _mm_and_ps(_mm_cmpneq_ps(g, _mm_setzero_ps()), _mm_cmpneq_ps(g, _mm_set1_ps(g_)));
        const __m128 near = _mm_andnot_ps(far, meets);
        if (_mm_movemask_ps(near) == 0) return 0;
        // d = max(sqrt(dx * dx + dy * dy), kMinDistance), where only a d
        // below the minimum is raised; no contact when d - r >= 0.
        const __m128 dx = _mm_sub_ps(x_, ox), dy = _mm_sub_ps(y_, oy);
        __m128 d = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)));
        const __m128 least = _mm_set1_ps(kMinDistance);
        const __m128 raise = _mm_cmplt_ps(d, least);
        d = _mm_or_ps(_mm_and_ps(raise, least), _mm_andnot_ps(raise, d));
        const __m128 apart = _mm_cmpge_ps(_mm_sub_ps(d, r), _mm_setzero_ps());
        return static_cast<unsigned>(_mm_movemask_ps(_mm_andnot_ps(apart, near)));
#else
        unsigned lanes = 0;
        for (unsigned lane = 0; lane < TCellArrays::kLanes; ++lane) {
            const float r = r_ + b.r[lane];
            const bool far = std::fabs(b.x[lane] - x_) > r || std::fabs(b.y[lane] - y_) > r;
            const float dx = x_ - b.x[lane], dy = y_ - b.y[lane];
            float d = std::sqrt(dx * dx + dy * dy);
            if (d < kMinDistance) d = kMinDistance;
            const bool apart = d - r >= 0;
            if (!far && !apart && b.g[lane] != 0 && b.g[lane] != g_) lanes |= 1u << lane;
        }
        return lanes;
#endif
    }

  private:
#if defined(__SSE2__)
    using Vec = __m128;
    static void Set(Vec& v, float f) { v = _mm_set1_ps(f); }
#else
    using Vec = float;
    static void Set(Vec& v, float f) { v = f; }
#endif
    TReach reach_;
    Vec x_, y_;
    float r_, g_;
};

// The candidates among the slots [start, start + n) of a cell, bit k for
// slot start + k; start begins a block and n is at most kMaxMaskedCell.
Lanes CellLanes(const TCellArrays& cells, const TProbe& probe, Slot start, Slot n) {
    Lanes lanes = 0;
    for (Slot k = 0; k < n; k += TCellArrays::kLanes)
        lanes |= Lanes{probe.Candidates(cells.BlockOf(start + k))} << k;
    return n == kMaxMaskedCell ? lanes : lanes & ((Lanes{1} << n) - 1);
}

// The lanes after lane k.
inline Lanes After(unsigned k) { return k + 1 >= kMaxMaskedCell ? 0 : ~Lanes{0} << (k + 1); }

// The contact of m with the mass in slot s, if any: both move, the other's
// state in its slot, and the cell's box grows to where it went.
bool Touch(TCellArrays& cells, TCellArrays::Cell& cell, TMass* m, TProbe& probe, Slot s) {
    TMass* o = cells.MassAt(s);
    if (o == m) return false; // a mass never meets itself
    TCellArrays::Body body(cells.MutableBlock(s), s % TCellArrays::kLanes);
    TContactPoint at;
    if (!ResolveOverlap(m, &body, at)) return false;
    DeferContact({TColEvent::MASS_MASS, m, o, at.x, at.y, at.force});
    if (contactLog) contactLog->NoteContact(m, o);
    cells.Touched(s);
    cell.bounds.Include(body.posX, body.posY, body.radius);
    probe.MovedTo(m);
    return true;
}

// Tests m against the slots [a, b) of a cell, in order, for a cell too
// crowded for one mask.
void WalkSlots(TCellArrays& cells, TCellArrays::Cell& cell, TMass* m, TProbe& probe, Slot a,
               Slot b) {
    for (Slot block = a - a % TCellArrays::kLanes; block < b; block += TCellArrays::kLanes) {
        unsigned inRange = 0xFu;
        if (block < a) inRange &= 0xFu << (a - block);
        if (b - block < TCellArrays::kLanes) inRange &= (1u << (b - block)) - 1;
        unsigned lanes = probe.Candidates(cells.BlockOf(block)) & inRange;
        while (lanes) {
            const unsigned lane = static_cast<unsigned>(__builtin_ctz(lanes));
            lanes &= lanes - 1;
            if (Touch(cells, cell, m, probe, block + lane))
                lanes = probe.Candidates(cells.BlockOf(block)) & inRange & (~0u << (lane + 1));
        }
    }
}

// Tests m against every mass of a cell in the cell's walk order: from the
// cursor to the end, then the masses before the cursor. After a contact m has
// moved, and the slots after it are tested again from where it is now.
void WalkCell(TCellArrays& cells, TCellArrays::Cell& cell, TMass* m, TProbe& probe) {
    const Slot n = cell.end - cell.start;
    if (n == 0 || probe.CannotReach(cell.bounds)) return;
    if (n > kMaxMaskedCell) {
        WalkSlots(cells, cell, m, probe, cell.cursor, cell.end);
        WalkSlots(cells, cell, m, probe, cell.start, cell.cursor);
        return;
    }
    const Slot c = cell.cursor - cell.start;
    const Lanes swept = c == kMaxMaskedCell ? ~Lanes{0} : (Lanes{1} << c) - 1;
    Lanes lanes = CellLanes(cells, probe, cell.start, n);
    for (const Lanes part : {~swept, swept}) {
        Lanes todo = lanes & part;
        while (todo) {
            const unsigned k = static_cast<unsigned>(__builtin_ctzll(todo));
            todo &= todo - 1;
            if (!Touch(cells, cell, m, probe, cell.start + k)) continue;
            lanes = CellLanes(cells, probe, cell.start, n);
            todo = lanes & part & After(k);
        }
    }
}

} // namespace

void TStepper::SweepCellArrays(TPhysics& w, const std::vector<TMass*>& order) {
    const int span = w.GridSpan();
    const TContactBatch batch;
    cellArrays_.Build(order, span);
    // A turn's slot lies anywhere in the arrays: it is fetched a few turns ahead.
    constexpr std::size_t kAhead = 4;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k + kAhead < order.size()) cellArrays_.PrefetchTurn(k + kAhead);
        TMass* m = order[k];
        cellArrays_.TakeTurn(k);
        KeepInBounds(w, m);
        if (!m->frozen) CollideZones(m);
        // Re-binned in the arrays; the lists follow when the step ends.
        const TCellPlace at{w.CellX(m->posX), w.CellY(m->posY)};
        m->gridx = at.x;
        m->gridy = at.y;
        const Slot slot = cellArrays_.Move(k, at);
        // Group 0 collides with nothing: no walk could find a contact.
        if (m->colGroup != 0) {
            TProbe probe(m);
            const TNeighbourhood around(at, span);
            for (int cx = around.x0; cx <= around.x1; ++cx) {
                for (int cy = around.y0; cy <= around.y1; ++cy)
                    WalkCell(cellArrays_, cellArrays_.CellAt(cx, cy), m, probe);
            }
        }
        cellArrays_.EndTurn(slot, at, m);
    }
    cellArrays_.Unload(order);
}

} // namespace kel::tangle::detail
