// The sweep of a pass in which no outside code runs: the cells are walked
// from their arrays, four slots at a time.

#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "physics/grid/cell_arrays.h"
#include "physics/contacts/contact.h"
#include "physics/step/intrinsics.h"
#include "physics/sleep/sleep.h"
#include "physics/step/step.h"
#include "physics/threads/strip_schedule.h"
#include "physics/world.h"

namespace kel::tangle::detail {

namespace {

using Slot = TCellArrays::Slot;
using Block = TCellArrays::Block;
using Lanes = std::uint64_t; // one bit per slot of a cell
constexpr Slot kMaxMaskedCell = 64;
static_assert(TCellArrays::kLanes == 4, "a block is tested as one vector of four");
static_assert(kMaxMaskedCell <= 64, "a cell's lanes are the bits of one word");

// The mass that walks, and the first tests of the contact on a block of four
// slots, done here so that a miss costs no call: the box test, the group
// test, and whether the centres are nearer than the radii, computed as the
// contact computes it. A slot that fails any of them would give no contact
// (the contact returns before it changes anything); a NaN fails none of
// them, as in the contact. The probe also knows what the mass can reach, for
// the cells' boxes.
class TProbe {
  public:
    TProbe(const TCellArrays::Body& m, float group) : reach_(m.posX, m.posY, m.radius) {
        Set(r_, m.radius);
        Set(g_, group);
        Set(x_, m.posX);
        Set(y_, m.posY);
    }
    void MovedTo(const TCellArrays::Body& m) {
        reach_ = TReach(m.posX, m.posY, m.radius);
        Set(x_, m.posX);
        Set(y_, m.posY);
    }
    bool CannotReach(const TCellBounds& bounds) const { return bounds.OutOfReach(reach_); }
    // The lanes of a block that pass every test; the distance of each
    // candidate goes to its lane of `distance` (16-byte aligned), for the
    // contact to take instead of working it out again.
    unsigned Candidates(const Block& b, float* distance) const {
#if defined(__SSE2__)
        const __m128 sign = _mm_set1_ps(-0.0f);
        const __m128 r = _mm_add_ps(r_, _mm_load_ps(b.r));
        const __m128 ox = _mm_load_ps(b.x), oy = _mm_load_ps(b.y);
        const __m128 far = _mm_or_ps(_mm_cmpgt_ps(_mm_andnot_ps(sign, _mm_sub_ps(ox, x_)), r),
                                     _mm_cmpgt_ps(_mm_andnot_ps(sign, _mm_sub_ps(oy, y_)), r));
        const __m128 g = _mm_load_ps(b.g);
        const __m128 meets = _mm_and_ps(_mm_cmpneq_ps(g, _mm_setzero_ps()), _mm_cmpneq_ps(g, g_));
        const __m128 near = _mm_andnot_ps(far, meets);
        if (_mm_movemask_ps(near) == 0) return 0;
        // d = sqrt(dx * dx + dy * dy), raised to the least distance when
        // below it (not when a NaN); no contact when d - r >= 0.
        const __m128 dx = _mm_sub_ps(x_, ox), dy = _mm_sub_ps(y_, oy);
        __m128 d = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)));
        const __m128 least = _mm_set1_ps(kMinDistance);
        const __m128 raise = _mm_cmplt_ps(d, least);
        d = _mm_or_ps(_mm_and_ps(raise, least), _mm_andnot_ps(raise, d));
        _mm_store_ps(distance, d);
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
            distance[lane] = d;
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
    Vec x_, y_, r_, g_;
};

// What every contact of a sweep needs of the step, gathered once per sweep.
struct TSweepRules {
    TContactBatch* const contacts; // the step's batch, unless a task logs them
    TStripLog* const log;          // the task's log under the strip schedule, or null
    TSleep* const sleepLog;        // where the contacts go while sleeping is on, or null
    const TShock shock;
};

// The mass whose turn it is, during its walk. Its state is copied out of the
// mass, which nothing else reads or writes until the walk ends, so that the
// contacts work on values that no other write can reach.
struct TWalker {
    TWalker(const TSweepRules& sweep, TMass* m, Slot at)
        : mass(m), slot(at), self(TCellArrays::Body::Of(m)), probe(self, m->colGroup),
          rules(sweep) {}
    ~TWalker() { self.Into(mass); }
    TWalker(const TWalker&) = delete;
    TWalker& operator=(const TWalker&) = delete;

    TMass* const mass;
    const Slot slot; // its own, which it never meets
    TCellArrays::Body self;
    TProbe probe;
    const TSweepRules& rules;
    // By slot of the cell being walked: the distance of each candidate as
    // the probe last found it.
    alignas(16) float distance[kMaxMaskedCell];
};

// The bits [0, n) and [from, to) of a cell's lanes.
inline Lanes Below(Slot n) { return n >= kMaxMaskedCell ? ~Lanes{0} : (Lanes{1} << n) - 1; }
inline Lanes Bits(Slot from, Slot to) { return Below(to) & ~Below(from); }

// The candidates among the slots start + [from, to) of a cell, bit k for
// slot start + k; start begins a block and to is at most kMaxMaskedCell.
Lanes CellLanes(const TCellArrays& cells, TWalker& w, Slot start, Slot from, Slot to) {
    Lanes lanes = 0;
    for (Slot k = from - from % TCellArrays::kLanes; k < to; k += TCellArrays::kLanes)
        lanes |= Lanes{w.probe.Candidates(cells.BlockOf(start + k), &w.distance[k])} << k;
    return lanes & Bits(from, to);
}

// The contact of the walking mass with the candidate in slot s at the
// distance the probe found, if any: both move, the other's state in its
// slot, and the cell's box grows to where it went.
QUORVEL_ALWAYS_INLINE bool Touch(TCellArrays& cells, TCellArrays::Cell& cell, TWalker& w, Slot s,
                                 float distance) {
    if (s == w.slot) return false; // a mass never meets itself
    TCellArrays::Block& block = cells.MutableBlock(s);
    const Slot lane = s % TCellArrays::kLanes;
    TCellArrays::Body other = TCellArrays::Body::Of(block, lane);
    TContactPoint at;
    if (!ResolveCandidate(w.rules.shock, &w.self, &other, distance, at))
        return false; // changed nothing
    other.Into(block, lane);
    if (w.rules.log) {
        // Told to the queue and the sleep log when the pass ends.
        w.rules.log->Meet(block.listIndex[lane], at.x, at.y, at.force);
    } else {
        w.rules.contacts->Meet(block.listIndex[lane], at.x, at.y, at.force);
        if (w.rules.sleepLog) w.rules.sleepLog->NoteContact(w.mass, cells.MassAt(s));
    }
    cells.Touched(s);
    cell.bounds.Include(other.posX, other.posY, other.radius);
    w.probe.MovedTo(w.self);
    return true;
}

// Tests the walking mass against the slots [a, b) of a cell, in order, for a
// cell too crowded for one mask.
void WalkSlots(TCellArrays& cells, TCellArrays::Cell& cell, TWalker& w, Slot a, Slot b) {
    for (Slot block = a - a % TCellArrays::kLanes; block < b; block += TCellArrays::kLanes) {
        unsigned inRange = 0xFu;
        if (block < a) inRange &= 0xFu << (a - block);
        if (b - block < TCellArrays::kLanes) inRange &= (1u << (b - block)) - 1;
        alignas(16) float distance[TCellArrays::kLanes];
        unsigned lanes = w.probe.Candidates(cells.BlockOf(block), distance) & inRange;
        while (lanes) {
            const unsigned lane = LowestBit(lanes);
            lanes &= lanes - 1;
            if (Touch(cells, cell, w, block + lane, distance[lane]))
                lanes = w.probe.Candidates(cells.BlockOf(block), distance) & inRange &
                        (~0u << (lane + 1));
        }
    }
}

// Tests the walking mass against the slots start + [from, to) of a cell, in
// order; after a contact it has moved, and the slots after it are tested
// again from where it is now. Tells whether it moved.
bool WalkLanes(TCellArrays& cells, TCellArrays::Cell& cell, TWalker& w, Lanes todo, Slot to) {
    bool moved = false;
    while (todo) {
        const auto k = static_cast<Slot>(LowestBit(todo));
        todo &= todo - 1;
        if (!Touch(cells, cell, w, cell.start + k, w.distance[k])) continue;
        moved = true;
        todo = CellLanes(cells, w, cell.start, k + 1, to);
    }
    return moved;
}

// Tests the walking mass against every mass of a cell, slot by slot, in
// the cell's walk order: from the cursor to the end, then the masses before
// the cursor.
void WalkCellSlots(TCellArrays& cells, TCellArrays::Cell& cell, TWalker& w) {
    const Slot n = cell.end - cell.start;
    if (n == 0 || w.probe.CannotReach(cell.bounds)) return;
    if (n > kMaxMaskedCell) {
        WalkSlots(cells, cell, w, cell.cursor, cell.end);
        WalkSlots(cells, cell, w, cell.start, cell.cursor);
        return;
    }
    const Slot c = cell.cursor - cell.start;
    const Lanes lanes = CellLanes(cells, w, cell.start, 0, n);
    const bool moved = WalkLanes(cells, cell, w, lanes & Bits(c, n), n);
    // The masses before the cursor, tested again if the walker has moved.
    WalkLanes(cells, cell, w, moved ? CellLanes(cells, w, cell.start, 0, c) : lanes & Below(c),
              c);
}

// One pass of bounds, zones and contacts over the step's movers, walking
// the cells' slots.
void SweepOverSlots(const TStepContext& step, TCellArrays& cells) {
    TPhysics& w = *step.world;
    const std::vector<TMass*>& order = step.lists.Movers();
    TContactBatch& contacts = step.worker->Contacts();
    const TSweepRules rules{&contacts, nullptr, step.sleepLog, step.shock};
    const int span = w.GridSpan();
    const TGrid& grid = *w.shiftgrid;
    // A turn's slot and cells lie anywhere in the arrays: they are fetched a
    // few turns ahead.
    constexpr std::size_t kAhead = 4;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k + 2 * kAhead < order.size()) cells.PrefetchCellsAround(k + 2 * kAhead);
        if (k + kAhead < order.size()) {
            cells.PrefetchTurn(k + kAhead);
            cells.PrefetchSlotsAround(k + kAhead);
            Prefetch<true>(order[k + kAhead]);
        }
        TMass* m = order[k];
        contacts.BeginTurn(static_cast<std::uint32_t>(k));
        cells.TakeTurn(k);
        KeepInBounds(step, m);
        if (!m->frozen) CollideZonesQuietly(step, m, k);
        // Re-binned in the arrays; the lists follow when the step ends.
        const TCellPlace at{w.CellX(m->posX), w.CellY(m->posY)};
        m->gridx = at.x;
        m->gridy = at.y;
        const Slot slot = cells.Move(k, at);
        const int cell = cells.CellOf(k);
        // Group 0 collides with nothing: no walk could find a contact.
        if (m->colGroup != 0) {
            TWalker walker(rules, m, slot);
            grid.EachAround(at, cell, span,
                            [&](int id) { WalkCellSlots(cells, cells.CellAt(id), walker); });
        }
        cells.EndTurn(slot, cell, m);
    }
}

} // namespace

void SweepStripTurns(const TStepContext& step, TCellArrays& cells, const TStripTurns& strip,
                     TStripLog& log, TTurnSpan* spans, std::vector<std::uint32_t>& leavers) {
    TPhysics& w = *step.world;
    const std::vector<TMass*>& order = step.lists.Movers();
    const TSweepRules rules{nullptr, &log, nullptr, step.shock};
    const int span = w.GridSpan();
    const TGrid& grid = *w.shiftgrid;
    // As in the sweep over all masses: what a turn reads is fetched a few
    // turns ahead. A strip's masses lie far apart in the list, so their
    // entries in the per-mass arrays and the masses themselves are fetched
    // too.
    constexpr std::size_t kAhead = 4;
    for (std::size_t t = 0; t < strip.count; ++t) {
        if (t + 2 * kAhead < strip.count) {
            const std::uint32_t ahead = strip.turns[t + 2 * kAhead];
            cells.PrefetchCellsAround(ahead);
            Prefetch(&order[ahead]);
            Prefetch<true>(&spans[ahead]);
        }
        if (t + kAhead < strip.count) {
            const std::uint32_t ahead = strip.turns[t + kAhead];
            cells.PrefetchTurn(ahead);
            cells.PrefetchSlotsAround(ahead);
            Prefetch<true>(order[ahead]);
        }
        const std::uint32_t k = strip.turns[t];
        TMass* m = order[k];
        const std::uint32_t begin = log.Size();
        cells.TakeTurn(k);
        KeepInBounds(step, m);
        if (!m->frozen) CollideZonesQuietly(step, m, k);
        // The walk stays around the cell the arrays hold the mass in, which
        // lies in the strip; its new cell is only named, for the next layout.
        // No cell is made during the pass: the walks only read the grid.
        const int home = cells.CellOf(k);
        m->gridx = w.CellX(m->posX);
        m->gridy = w.CellY(m->posY);
        if (!cells.StillIn(k, {m->gridx, m->gridy})) leavers.push_back(k);
        const Slot slot = cells.SlotOf(k);
        if (m->colGroup != 0) {
            TWalker walker(rules, m, slot);
            grid.EachAround(cells.PlaceOf(k), home, span,
                            [&](int id) { WalkCellSlots(cells, cells.CellAt(id), walker); });
        }
        cells.EndTurn(slot, home, m);
        spans[k] = {strip.index, begin, log.Size()};
    }
}

void TStepper::SweepCellArrays(const TStepContext& step, bool rebuild) {
    const std::vector<TMass*>& order = step.lists.Movers();
    const TOpenBatch batch(step.worker->Contacts(), order, *step.queue, step.queueMode);
    if (rebuild)
        cellArrays_.Build(step.lists.Masses(), order, *step.world->shiftgrid,
                          step.world->GridSpan());
    else
        cellArrays_.Refresh(order);
    SweepOverSlots(step, cellArrays_);
    cellArrays_.Unload(order);
}

} // namespace kel::tangle::detail
