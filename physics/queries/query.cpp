// The world's queries: which masses and zones lie on a ray, in a box, at a
// point, or nearest to one.
//
// Masses are found through the collision grid when the world has it on: a
// query visits only the cells that can hold what it looks for. A cell holds
// the masses whose centres were in it when the step last placed them, so a
// disc may reach out of its cell by its radius, and its centre may have
// moved since by what the rest of the step did to it. The queries take the
// contact search's own promise for both together: radius plus that drift is
// at most half the narrower side of a cell (the margin below; two such
// masses touching fit in one cell's width, as the contact search needs), and
// they grow every region by it. Masses the API teleported since the last
// step may therefore be missed until the next one; a QUORVEL_VALIDATE build
// checks the promise at every query. With the grid off, or no cells, every
// mass is looked at. Edge cells hold everything beyond the bounds, so clamped
// cell ranges cover what lies outside too.
//
// Zones are few and large: each is asked through its quadtree, which rejects
// regions far from its outline and matter, and then edge by edge.
//
// Ray hits are gathered cell strip by cell strip along the ray and handed
// out in order as soon as no later strip can hold an earlier hit, so a
// visitor that stops at the first hit (RayCast) ends the walk early.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <limits>
#include <vector>

#include "physics/grid/grid.h"
#include "physics/step/intrinsics.h"
#include "physics/queries/query_geometry.h"
#include "physics/mass.h"
#include "physics/world.h"
#include "physics/zone.h"

namespace kel::tangle {

namespace {

using detail::TQueryBox;
using detail::TRay;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kFractionSlack = 1e-5f;

using detail::TGridCell;

// Walks the lists of a few cells at once, a step of each in turn: each step
// waits for its mass to come from memory, and the steps of different lists
// need not wait for each other.
template <class Visit> class TLaneWalk {
  public:
    explicit TLaneWalk(Visit& visit) : visit_(visit) {}

    // Takes the cell's list on; false once the visitor stopped.
    bool Add(TGridCell& cell) {
        TMass* first = cell.First();
        if (!first) return true;
        Prefetch(first);
        lane_[lanes_++] = first;
        return lanes_ < kLanes || Drain();
    }
    // Walks what was taken on to its end; false once the visitor stopped.
    bool Drain() {
        while (lanes_ > 0) {
            for (int k = 0; k < lanes_;) {
                TMass* m = lane_[k];
                TMass* next = m->gridlink.next; // read first: the visitor may move m
                if (next) {
                    Prefetch(next);
                    lane_[k++] = next;
                } else {
                    lane_[k] = lane_[--lanes_];
                }
                if (m->InWorld() && !visit_(m)) return false;
            }
        }
        return true;
    }

  private:
    static constexpr int kLanes = 8;
    // Its position and its link to the next: two cache lines, wanted when
    // its lane comes round again.
    static void Prefetch(const TMass* m) {
        detail::Prefetch(&m->posX);
        detail::Prefetch(&m->gridlink);
    }
    Visit& visit_;
    TMass* lane_[kLanes];
    int lanes_ = 0;
};

// One axis of the grid: where its cells start, cells per world unit, and
// how many there are.
struct GridAxis {
    float origin, ratio;
    int span;
    // Where cell c starts along the axis.
    float Start(float c) const { return origin + c / ratio; }
};

// The grid as the queries see it.
class GridView {
  public:
    explicit GridView(const TPhysics& w)
        : w_(w), grid_(*w.shiftgrid), x_{w.CellLeft(), w.CellRatioX(), w.SpanX()},
          y_{w.CellTop(), w.CellRatioY(), w.SpanY()} {
        const float sideX = 1 / x_.ratio, sideY = 1 / y_.ratio;
        margin_ = 0.5f * std::fmin(sideX, sideY);
        usable_ = w.gridon != 0 && x_.span > 0 && y_.span > 0 && std::isfinite(margin_) &&
                  margin_ > 0 && std::isfinite(x_.ratio) && std::isfinite(y_.ratio);
#if defined(QUORVEL_VALIDATE)
        if (usable_) CheckPromise();
#endif
    }

    bool Usable() const { return usable_; }
    float Margin() const { return margin_; }
    const GridAxis& AxisX() const { return x_; }
    const GridAxis& AxisY() const { return y_; }
    // The world's cells of a position, except that +infinity (a region
    // without end) is the last cell rather than the world's cell 0.
    int CellX(float x) const { return x == kInf ? x_.span - 1 : w_.CellX(x); }
    int CellY(float y) const { return y == kInf ? y_.span - 1 : w_.CellY(y); }

    // The least distance from the box to a centre that cell (cx, cy) may
    // hold: the edge cells hold everything beyond the grid.
    float CellDistance(int cx, int cy, const TQueryBox& box) const {
        const float gx = Gap(box.minX, box.maxX, cx, x_);
        const float gy = Gap(box.minY, box.maxY, cy, y_);
        return std::sqrt(gx * gx + gy * gy);
    }

    // Visits the world's masses of the cells x0 ... x1, y0 ... y1 that
    // keep(cx, cy) keeps (visit returns false to stop); false when stopped.
    // A grid with fewer cells than the block is looked at cell by cell.
    template <class Keep, class Visit>
    bool EachMass(int x0, int x1, int y0, int y1, Keep&& keep, Visit&& visit) const {
        TLaneWalk<Visit> walk(visit);
        const double block = (double{1} + x1 - x0) * (double{1} + y1 - y0);
        if (grid_.Sparse() && block > grid_.CellCount()) {
            for (int id = 0; id < grid_.CellCount(); ++id) {
                const detail::TCellPlace at = grid_.PlaceOf(id);
                if (at.x >= x0 && at.x <= x1 && at.y >= y0 && at.y <= y1 && keep(at.x, at.y) &&
                    !walk.Add(CellAt(id)))
                    return false;
            }
            return walk.Drain();
        }
        for (int cx = x0; cx <= x1; ++cx)
            for (int cy = y0; cy <= y1; ++cy)
                if (keep(cx, cy)) {
                    if (TGridCell* cell = Find(cx, cy); cell && !walk.Add(*cell)) return false;
                }
        return walk.Drain();
    }
    // Every cell of the block.
    template <class Visit> bool EachMass(int x0, int x1, int y0, int y1, Visit&& visit) const {
        return EachMass(
            x0, x1, y0, y1, [](int, int) { return true; }, visit);
    }
    // The cells that can hold a disc meeting the box.
    template <class Visit> bool EachMassNear(const TQueryBox& box, Visit&& visit) const {
        return EachMass(
            CellX(box.minX - margin_), CellX(box.maxX + margin_), CellY(box.minY - margin_),
            CellY(box.maxY + margin_),
            [&](int cx, int cy) { return CellDistance(cx, cy, box) <= margin_; }, visit);
    }
    // The cell (cx, cy), or null where the grid has none.
    TGridCell* Find(int cx, int cy) const {
        return const_cast<detail::TGrid&>(grid_).Find({cx, cy});
    }
    TGridCell& CellAt(int id) const { return const_cast<detail::TGrid&>(grid_).CellAt(id); }
    const detail::TGrid& Grid() const { return grid_; }

  private:
#if defined(QUORVEL_VALIDATE)
    // What the walks rely on: every mass of the world lies in a cell of this
    // grid and reaches, radius and all, no further than the margin out of it.
    void CheckPromise() const {
        const core::TList* masses = w_.Masses();
        if (!masses) return;
        for (const TMass* m : masses->Each<TMass>()) {
            const bool inCell = m->gridlink.cell != nullptr;
            const TQueryBox at{m->posX, m->posY, m->posX, m->posY};
            if (!inCell || std::hypot(Gap(at.minX, at.maxX, m->gridx, x_),
                                      Gap(at.minY, at.maxY, m->gridy, y_)) +
                                   m->radius >
                               margin_) {
                std::fprintf(stderr,
                             "kel.tangle: query promise broken: a mass at (%g, %g) of radius %g "
                             "reaches more than half a cell (%g) out of its cell\n",
                             m->posX, m->posY, m->radius, margin_);
                std::abort();
            }
        }
    }
#endif
    // How far the span a ... b lies from cell c's along one axis (0 where
    // they overlap).
    static float Gap(float a, float b, int c, const GridAxis& axis) {
        const float lo = axis.Start(static_cast<float>(c)),
                    hi = axis.Start(static_cast<float>(c + 1));
        if (c > 0 && b < lo) return lo - b;
        if (c < axis.span - 1 && a > hi) return a - hi;
        return 0;
    }

    const TPhysics& w_;
    const detail::TGrid& grid_;
    GridAxis x_, y_;
    float margin_ = 0;
    bool usable_ = false;
};

// Every mass of the world's list, for worlds without a usable grid.
template <class Visit> bool EachListedMass(const TPhysics& w, Visit&& visit) {
    const core::TList* masses = w.Masses();
    if (!masses) return true;
    for (TMass* m : masses->Each<TMass>())
        if (!visit(m)) return false;
    return true;
}

template <class Visit> bool EachListedZone(const TPhysics& w, Visit&& visit) {
    const core::TList* zones = w.Zones();
    if (!zones) return true;
    for (TZone* z : zones->Each<TZone>())
        if (!visit(z)) return false;
    return true;
}

// The buffers of ray walks in progress: a visitor may cast a ray of its
// own, and each walk keeps its buffer for the next one at its depth, so
// repeated queries allocate nothing.
class HitBuffer {
  public:
    HitBuffer() : hits_(Take()) { hits_.clear(); }
    ~HitBuffer() { --depth_; }
    HitBuffer(const HitBuffer&) = delete;
    HitBuffer& operator=(const HitBuffer&) = delete;
    std::vector<TRayHit>& Hits() { return hits_; }

  private:
    static std::vector<TRayHit>& Take() {
        if (depth_ == pool_.size()) pool_.emplace_back();
        return pool_[depth_++];
    }
    // A deque: growing it leaves the buffers of outer walks where they are.
    static thread_local std::deque<std::vector<TRayHit>> pool_;
    static thread_local std::size_t depth_;
    std::vector<TRayHit>& hits_;
};
thread_local std::deque<std::vector<TRayHit>> HitBuffer::pool_;
thread_local std::size_t HitBuffer::depth_ = 0;

// Hands out gathered hits in order along the ray.
class HitQueue {
  public:
    HitQueue(std::vector<TRayHit>& hits, TRayVisit visit) : hits_(hits), visit_(visit) {}

    void Add(const TRayHit& hit) { hits_.push_back(hit); }
    // Visits, in order, the waiting hits nearer than `limit` (no hit still
    // to be gathered can come before them); false once the visitor stopped.
    bool Release(float limit) {
        if (stopped_) return false;
        if (next_ == hits_.size()) return true;
        std::sort(hits_.begin() + static_cast<std::ptrdiff_t>(next_), hits_.end(),
                  detail::HitBefore);
        while (next_ < hits_.size() && hits_[next_].fraction < limit) {
            ++visited_;
            if (!visit_(hits_[next_++])) {
                stopped_ = true;
                return false;
            }
        }
        return true;
    }
    // Visits all that wait.
    bool ReleaseAll() { return Release(kInf); }
    int Visited() const { return visited_; }

  private:
    std::vector<TRayHit>& hits_;
    TRayVisit visit_;
    std::size_t next_ = 0;
    int visited_ = 0;
    bool stopped_ = false;
};

bool ZoneMayMeetRay(const TZone& z, const TRay& ray) {
    if (!z.quadTree) return true;
    const float ex = ray.px + ray.dx, ey = ray.py + ray.dy;
    return detail::AnyCoveredLeaf(*z.quadTree, z.offsetX, z.offsetY, [&](const TQueryBox& b) {
        return detail::SegmentMeetsBox(ray.px, ray.py, ex, ey, b);
    });
}

bool ZoneMayMeetBox(const TZone& z, const TQueryBox& box) {
    const TQuadTree* tree = z.quadTree.Get();
    if (!tree) return true;
    const float left = z.offsetX + tree->posX, top = z.offsetY + tree->posY;
    // A HOLE is solid all the way out beyond its tree's root box.
    if (z.style == TZone::HOLE && (box.minX < left || box.minY < top ||
                                   box.maxX > left + tree->sizeX || box.maxY > top + tree->sizeY))
        return true;
    return detail::AnyCoveredLeaf(*tree, z.offsetX, z.offsetY, [&](const TQueryBox& b) {
        return b.minX <= box.maxX && box.minX <= b.maxX && b.minY <= box.maxY && box.minY <= b.maxY;
    });
}

// One strip of cells across the ray: its fraction range [t0, t1] and the
// cells that can hold a disc the ray meets within it.
struct Strip {
    float t0, t1;
    int x0, x1, y0, y1;
};

// The strips of cells along the ray, in order along it: columns for a ray
// that runs more across than down, else rows. Visit(strip) returns false to
// stop.
template <class Visit> void EachStrip(const GridView& grid, const TRay& ray, Visit&& visit) {
    const bool across = std::fabs(ray.dx) >= std::fabs(ray.dy);
    // u is the strips' axis, v the other.
    const float pu = across ? ray.px : ray.py, du = across ? ray.dx : ray.dy;
    const float pv = across ? ray.py : ray.px, dv = across ? ray.dy : ray.dx;
    const GridAxis& axis = across ? grid.AxisX() : grid.AxisY();
    auto cellU = [&](float u) { return across ? grid.CellX(u) : grid.CellY(u); };
    auto cellV = [&](float v) { return across ? grid.CellY(v) : grid.CellX(v); };
    const float m = grid.Margin(), last = static_cast<float>(axis.span - 1);
    const float uEnd = pu + du;
    int first = cellU(std::fmin(pu, uEnd) - m), lastCell = cellU(std::fmax(pu, uEnd) + m);
    const int step = du < 0 ? -1 : 1;
    if (step < 0) std::swap(first, lastCell);
    for (int i = first;; i += step) {
        // The strip holds centres of u in [i, i + 1) / ratio from the grid's
        // start, the edge strips everything beyond; a disc it holds meets
        // the ray within m of that.
        const float fi = static_cast<float>(i);
        const float lo = i == 0 ? -kInf : axis.Start(fi) - m;
        const float hi = fi >= last ? kInf : axis.Start(fi + 1) + m;
        float t0 = 0, t1 = 1;
        if (du != 0) {
            const float ta = (lo - pu) / du, tb = (hi - pu) / du;
            t0 = std::fmax(0.0f, std::fmin(ta, tb));
            t1 = std::fmin(1.0f, std::fmax(ta, tb));
        }
        if (t0 <= t1) {
            const float va = pv + t0 * dv, vb = pv + t1 * dv;
            const int v0 = cellV(std::fmin(va, vb) - m), v1 = cellV(std::fmax(va, vb) + m);
            const Strip s = across ? Strip{t0, t1, i, i, v0, v1} : Strip{t0, t1, v0, v1, i, i};
            if (!visit(s)) return;
        }
        if (i == lastCell) return;
    }
}

} // namespace

int TPhysics::RayCastAll(float x1, float y1, float x2, float y2, TRayVisit visit,
                         const TQueryFilter& filter) {
    const TPhysics* w = currentWorld;
    return w ? w->CastRayAll(x1, y1, x2, y2, visit, filter) : 0;
}

int TPhysics::CastRayAll(float x1, float y1, float x2, float y2, TRayVisit visit,
                         const TQueryFilter& filter) const {
    const TPhysics* w = this;
    if (!visit) return 0;
    const TRay ray{x1, y1, x2 - x1, y2 - y1};
    HitBuffer buffer;
    HitQueue queue(buffer.Hits(), visit);
    // Zones first: they are few, and their hits wait in the queue for the
    // masses' strips to catch up.
    if (filter.zones) {
        EachListedZone(*w, [&](TZone* z) {
            TRayHit hit;
            if (detail::FilterPasses(filter, z) && ZoneMayMeetRay(*z, ray) &&
                detail::RayMeetsZone(ray, *z, hit))
                queue.Add(hit);
            return true;
        });
    }
    auto tryMass = [&](TMass* m) {
        TRayHit hit;
        hit.mass = m;
        if (detail::FilterPasses(filter, m) &&
            detail::RayMeetsDisc(ray, m->posX, m->posY, m->radius, hit))
            queue.Add(hit);
        return true;
    };
    const GridView grid(*w);
    if (filter.masses && grid.Usable()) {
        // A strip's hits, and the zones' before them, are final once the
        // next strip starts beyond them.
        EachStrip(grid, ray, [&](const Strip& s) {
            // A hair before the strip, against rounding in its fractions:
            // waiting longer only delays a hit.
            if (!queue.Release(s.t0 - kFractionSlack)) return false;
            grid.EachMass(s.x0, s.x1, s.y0, s.y1, tryMass);
            return true;
        });
    } else if (filter.masses) {
        EachListedMass(*w, tryMass);
    }
    queue.ReleaseAll();
    return queue.Visited();
}

bool TPhysics::RayCast(float x1, float y1, float x2, float y2, TRayHit& hit,
                       const TQueryFilter& filter) {
    const TPhysics* w = currentWorld;
    return w && w->CastRay(x1, y1, x2, y2, hit, filter);
}

bool TPhysics::CastRay(float x1, float y1, float x2, float y2, TRayHit& hit,
                       const TQueryFilter& filter) const {
    bool found = false;
    CastRayAll(
        x1, y1, x2, y2,
        [&](const TRayHit& h) {
            hit = h;
            found = true;
            return false;
        },
        filter);
    return found;
}

int TPhysics::QueryBox(float x1, float y1, float x2, float y2, TQueryVisit visit,
                       const TQueryFilter& filter) {
    const TPhysics* w = currentWorld;
    return w ? w->OverlapBox(x1, y1, x2, y2, visit, filter) : 0;
}

int TPhysics::OverlapBox(float x1, float y1, float x2, float y2, TQueryVisit visit,
                         const TQueryFilter& filter) const {
    const TPhysics* w = this;
    if (!visit) return 0;
    const TQueryBox box = TQueryBox::Of(x1, y1, x2, y2);
    int visited = 0;
    bool goOn = true;
    auto tryMass = [&](TMass* m) {
        if (!detail::DiscMeetsBox(m->posX, m->posY, m->radius, box) ||
            !detail::FilterPasses(filter, m))
            return true;
        ++visited;
        return goOn = visit(m, nullptr);
    };
    if (filter.masses) {
        const GridView grid(*w);
        if (grid.Usable())
            grid.EachMassNear(box, tryMass);
        else
            EachListedMass(*w, tryMass);
    }
    if (goOn && filter.zones) {
        EachListedZone(*w, [&](TZone* z) {
            if (!detail::FilterPasses(filter, z) || !ZoneMayMeetBox(*z, box) ||
                !detail::ZoneMeetsBox(*z, box))
                return true;
            ++visited;
            return visit(nullptr, z);
        });
    }
    return visited;
}

int TPhysics::QueryPoint(float x, float y, TQueryVisit visit, const TQueryFilter& filter) {
    return QueryBox(x, y, x, y, visit, filter);
}

int TPhysics::OverlapPoint(float x, float y, TQueryVisit visit, const TQueryFilter& filter) const {
    return OverlapBox(x, y, x, y, visit, filter);
}

TMass* TPhysics::NearestMass(float x, float y, float reach, float& distance,
                             const TQueryFilter& filter) {
    const TPhysics* w = currentWorld;
    return w ? w->ClosestMass(x, y, reach, distance, filter) : nullptr;
}

TMass* TPhysics::ClosestMass(float x, float y, float reach, float& distance,
                             const TQueryFilter& filter) const {
    const TPhysics* w = this;
    if (!filter.masses || !(reach == reach)) return nullptr;
    detail::TNearKey best{};
    bool found = false;
    auto tryMass = [&](TMass* m) {
        detail::TNearKey key;
        if (detail::NearKeyOf(m, x, y, reach, key) && (!found || key.Before(best)) &&
            detail::FilterPasses(filter, m)) {
            best = key;
            found = true;
        }
        return true;
    };
    const GridView grid(*w);
    if (!grid.Usable()) {
        EachListedMass(*w, tryMass);
    } else {
        // Rings of cells around the point's cell, clipped to the cells that
        // can hold a mass within reach, until no cell further out can hold
        // one nearer than the best so far.
        const float m = grid.Margin();
        const GridAxis& ax = grid.AxisX();
        const GridAxis& ay = grid.AxisY();
        const float grow = reach + m;
        const int x0 = grid.CellX(x - grow), x1 = grid.CellX(x + grow);
        const int y0 = grid.CellY(y - grow), y1 = grid.CellY(y + grow);
        const TQueryBox at{x, y, x, y};
        const double block = (double{1} + x1 - x0) * (double{1} + y1 - y0);
        if (grid.Grid().Sparse() && block > 4.0 * grid.Grid().CellCount()) {
            // Fewer cells than rings would visit: every cell that can hold
            // a mass within reach.
            const float limit = reach + m * 1.001f + 1e-3f;
            grid.EachMass(
                x0, x1, y0, y1, [&](int i, int j) { return grid.CellDistance(i, j, at) <= limit; },
                tryMass);
        } else {
            const int cx = std::clamp(grid.CellX(x), x0, x1), cy = std::clamp(grid.CellY(y), y0, y1);
            const int rings = std::max({cx - x0, x1 - cx, cy - y0, y1 - cy});
            TLaneWalk walk(tryMass);
            for (int k = 0; k <= rings; ++k) {
                // A little slack against rounding in the bounds.
                const float limit = (found ? best.edge : reach) + m * 1.001f + 1e-3f;
                if (k > 0) {
                    // How near the cells outside the last ring's square can
                    // bring a centre: the nearest side of the square that
                    // has cells beyond it.
                    const int l = cx - k + 1, r = cx + k - 1, t = cy - k + 1, b = cy + k - 1;
                    float bound = kInf;
                    if (l > x0) bound = std::fmin(bound, x - ax.Start(static_cast<float>(l)));
                    if (r < x1) bound = std::fmin(bound, ax.Start(static_cast<float>(r + 1)) - x);
                    if (t > y0) bound = std::fmin(bound, y - ay.Start(static_cast<float>(t)));
                    if (b < y1) bound = std::fmin(bound, ay.Start(static_cast<float>(b + 1)) - y);
                    if (bound > limit) break;
                }
                // The ring's cells that can hold a centre within the limit.
                for (int i = std::max(cx - k, x0); i <= std::min(cx + k, x1); ++i) {
                    const bool side = i == cx - k || i == cx + k;
                    for (int j = cy - k; j <= cy + k; j += side || k == 0 ? 1 : 2 * k) {
                        if (j < y0 || j > y1 || grid.CellDistance(i, j, at) > limit) continue;
                        if (TGridCell* cell = grid.Find(i, j)) walk.Add(*cell);
                    }
                }
                walk.Drain();
            }
        }
    }
    if (!found) return nullptr;
    distance = best.edge;
    return best.mass;
}

} // namespace kel::tangle
