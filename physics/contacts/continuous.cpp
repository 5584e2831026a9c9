#include "physics/contacts/continuous.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "physics/colevent.h"
#include "physics/contacts/collision_queue.h"
#include "physics/contacts/contact.h"
#include "physics/grid/grid.h"
#include "physics/step/step_context.h"
#include "physics/contacts/swept_disc.h"
#include "physics/contacts/zone_contact.h"
#include "physics/zones/zone_winding.h"
#include "physics/mass.h"
#include "physics/world.h"
#include "physics/zone.h"

namespace kel::tangle::detail {

namespace {

// Rounds of sweeping per mass and pass: a mass stopped by one surface
// slides on and may meet a second (a corner) or a third.
constexpr int kRounds = 4;
// A touch whose depth is below this share of the radius is left to the
// discrete test, which finds it just the same where the mass ends.
constexpr float kSlop = 0.01f;
// The most cells a sweep looks through one by one; a longer path looks at
// every candidate instead.
constexpr std::int64_t kMostCells = 4096;

std::uint64_t Mix(std::uint64_t h, std::uint64_t v) {
    h ^= v;
    return h * 0x100000001b3ull;
}

std::uint64_t Bits(float f) { return std::bit_cast<std::uint32_t>(f); }

// The sweep's reach to a disc of `sum` = the two radii, from a start `d0`
// away: the full sum, or for discs that start overlapping half of d0 (see
// swept_disc.h).
float DiscReach(const TSweptDisc& path, float cx, float cy, float sum) {
    const float d0 = std::sqrt((path.x - cx) * (path.x - cx) + (path.y - cy) * (path.y - cy));
    return d0 > sum ? sum : 0.5f * d0;
}

// Where the swept disc first touches the disc at (cx, cy) of radius `other`,
// when earlier than touch.t.
bool TouchDisc(const TSweptDisc& path, float cx, float cy, float other, TTouch& touch) {
    const float reach = DiscReach(path, cx, cy, path.radius + other);
    float t = 0;
    if (!(reach > 0) || !PathEntersDisc(path, cx, cy, reach, t) || !(t < touch.t)) return false;
    const float px = path.x + t * path.dx - cx, py = path.y + t * path.dy - cy;
    const float d = std::sqrt(px * px + py * py);
    if (!(d > 0)) return false;
    const float nx = px / d, ny = py / d;
    touch = {t, nx, ny, cx + nx * other, cy + ny * other, reach};
    return true;
}

} // namespace

void TContinuous::BeginStep(const TPhysics& w, const TStepLists& lists) {
    on_ = w.continuous != 0;
    bullets_ = false;
    if (!on_) return;
    frozenNow_.clear();
    std::uint64_t signature = 0xcbf29ce484222325ull;
    auto note = [&](TMass* m) {
        bullets_ |= m->bullet != 0;
        if (!m->frozen) return;
        frozenNow_.push_back(m);
        signature = Mix(signature, reinterpret_cast<std::uintptr_t>(m));
        for (float f : {m->posX, m->posY, m->radius, m->colGroup, m->friction})
            signature = Mix(signature, Bits(f));
    };
    for (TMass* m : lists.Movers()) note(m);
    for (TMass* m : lists.Resting()) note(m);
#if defined(QUORVEL_VALIDATE)
    starts_.clear();
    for (TMass* m : lists.Movers()) starts_.push_back({m, m->posX, m->posY});
#endif
    if (signature != frozenSignature_ || frozenNow_.size() != frozen_.size())
        IndexFrozen(frozenNow_);
    frozenSignature_ = signature;
    zoneBoxes_.Build(w.Zones());
}

void TContinuous::SweepZones(const TStepContext& step, const TMass* m, const TSweptDisc& path,
                             TTouch& touch, TZoneBase*& zone, TNearZones& near) const {
    near.Start();
    auto ask = [&](TZoneBase* z) {
        const TSweepFound found = z->FirstTouch(path, touch);
        if (found == TSweepFound::Clear) return;
        near.Add(z);
        if (found == TSweepFound::Touch) zone = z;
    };
    if (!step.plan.quiet) {
        // Outside code may change the zones during the pass: the list as it is.
        const core::TList* zones = step.world->Zones();
        if (!zones) return;
        for (TZoneBase* z : zones->Each<TZoneBase>())
            if (Collides(m->colGroup, static_cast<float>(z->colGroup))) ask(z);
        return;
    }
    // Grown as FirstTouch grows it.
    const TPathBox box(path, path.radius * 1.001f);
    zoneBoxes_.ForEachNear(box, [&](const TZoneBox& z) {
        if (!Collides(m->colGroup, z.colGroup)) return;
        if (box.MissesBox(z.x0, z.y0, z.x1, z.y1)) {
            // Wholly outside the box: clear of its matter, or for a HOLE in it.
            if (z.hole) near.Add(z.zone);
            return;
        }
        ask(z.zone);
    });
}

float* TContinuous::PathStarts(std::size_t movers) {
    if (!on_) return nullptr;
    if (from_.size() < 2 * movers) from_.resize(2 * movers);
    return from_.data();
}

void TContinuous::Passed(std::size_t k, const TMass* m) {
    from_[2 * k] = m->posX;
    from_[2 * k + 1] = m->posY;
}

std::int64_t TContinuous::KeyOf(float x, float y) const {
    constexpr float kFar = 1 << 30;
    auto cell = [&](float v) {
        const float c = std::floor(v / cell_);
        return static_cast<std::int64_t>(c >= kFar ? kFar : (c <= -kFar ? -kFar : c)) +
               (std::int64_t{1} << 30);
    };
    return (cell(y) << 32) | cell(x);
}

void TContinuous::IndexFrozen(const std::vector<TMass*>& frozen) {
    largest_ = 0;
    for (const TMass* m : frozen)
        if (std::isfinite(m->radius)) largest_ = std::fmax(largest_, m->radius);
    cell_ = std::fmax(2 * largest_, 1.0f);
    // Sorted by cell, and within a cell in list order.
    std::vector<std::pair<std::int64_t, std::uint32_t>> order;
    order.reserve(frozen.size());
    for (std::uint32_t k = 0; k < frozen.size(); ++k)
        order.emplace_back(KeyOf(frozen[k]->posX, frozen[k]->posY), k);
    std::sort(order.begin(), order.end());
    frozen_.clear();
    keys_.clear();
    for (const auto& [key, k] : order) {
        const TMass* m = frozen[k];
        frozen_.push_back({m->posX, m->posY, m->posX, m->posY, m->radius, m->mass, m->friction, 1,
                           m->colGroup, const_cast<TMass*>(m)});
        keys_.push_back(key);
    }
}

void TContinuous::TouchFrozen(const TSweptDisc& path, float group, TTouch& touch,
                              TMassTouch& hit) const {
    if (frozen_.empty()) return;
    auto test = [&](const TObstacle& o) {
        if (Collides(group, o.colGroup) && TouchDisc(path, o.posX, o.posY, o.radius, touch))
            hit = {&o, nullptr};
    };
    const float grow = path.radius + largest_;
    const TPathBox box(path, grow);
    const std::int64_t k0 = KeyOf(box.x0, box.y0), k1 = KeyOf(box.x1, box.y1);
    const std::int64_t rows = (k1 >> 32) - (k0 >> 32) + 1;
    const std::int64_t low = k0 & 0xffffffff, high = k1 & 0xffffffff;
    if (rows * (high - low + 1) > kMostCells) {
        for (const TObstacle& o : frozen_) test(o);
        return;
    }
    for (std::int64_t row = k0 >> 32; row <= k1 >> 32; ++row) {
        const auto from = std::lower_bound(keys_.begin(), keys_.end(), (row << 32) | low);
        const auto to = std::upper_bound(from, keys_.end(), (row << 32) | high);
        for (auto k = from; k != to; ++k)
            test(frozen_[static_cast<std::size_t>(k - keys_.begin())]);
    }
}

void TContinuous::TouchMasses(const TStepContext& step, TMass* m, const TSweptDisc& path,
                              TTouch& touch, TMassTouch& hit) const {
    auto test = [&](TMass* o) {
        if (o != m && Collides(m->colGroup, o->colGroup) &&
            TouchDisc(path, o->posX, o->posY, o->radius, touch))
            hit = {nullptr, o};
    };
    const TPhysics& w = *step.world;
    const TGrid& grid = *w.shiftgrid;
    // The cells around the path's, one more on every side: a disc reaches
    // at most half a cell out of its own.
    const TPathBox box(path, 0);
    const int x0 = w.CellX(box.x0) - 1, x1 = w.CellX(box.x1) + 1;
    const int y0 = w.CellY(box.y0) - 1, y1 = w.CellY(box.y1) + 1;
    const bool fewCells = std::int64_t{x1 - x0 + 1} * std::int64_t{y1 - y0 + 1} <= kMostCells;
    if (!w.gridon || w.SpanX() <= 0 || !fewCells) {
        for (TMass* o : step.lists.Movers()) test(o);
        for (TMass* o : step.lists.Resting()) test(o);
        return;
    }
    for (int cx = std::max(x0, 0); cx <= std::min(x1, w.SpanX() - 1); ++cx) {
        for (int cy = std::max(y0, 0); cy <= std::min(y1, w.SpanY() - 1); ++cy) {
            const TGridCell* cell = grid.Find({cx, cy});
            if (!cell) continue;
            for (TMass* o = cell->First(); o; o = o->gridlink.next) test(o);
        }
    }
}

void TContinuous::CollideAt(const TStepContext& step, TMass* m, const TSweptDisc& path,
                            const TTouch& touch, const TMassTouch& hit) {
    // Put back at the touch, overlapping by what it went past along the
    // normal (at most half the touching distance, so that its centre stays
    // on the near side of the other's and a response pushes it back); what
    // it went along the surface is added after the response.
    const float cx = path.x + touch.t * path.dx, cy = path.y + touch.t * path.dy;
    const float past = (cx - m->posX) * touch.nx + (cy - m->posY) * touch.ny;
    const float slideX = m->posX - cx + past * touch.nx, slideY = m->posY - cy + past * touch.ny;
    const float overlap = std::fmin(past, 0.5f * touch.reach);
    m->posX = cx - touch.nx * overlap;
    m->posY = cy - touch.ny * overlap;
    if (hit.frozen) {
        // Resolved on a copy: the frozen mass itself may be another thread's
        // to read. A sweep over the cells' arrays records its contacts
        // between masses in a batch of its own, which this one would stand
        // beside twice; there the contact raises no event.
        TObstacle still = *hit.frozen;
        const float dx = m->posX - still.posX, dy = m->posY - still.posY;
        float d = std::sqrt(dx * dx + dy * dy);
        if (d < kMinDistance) d = kMinDistance;
        TContactPoint at;
        if (ResolveAtDistance(step.shock, m, &still, m->radius + still.radius, d, at) &&
            step.plan.search != TContactSearch::GridArrays) {
            if (step.sleepLog) step.sleepLog->NoteContact(m, still.body);
            ReportContact(step, {TColEvent::MASS_MASS, m, still.body, at.x, at.y, at.force});
        }
    } else {
        core::Ref<TMass> held(hit.mass); // a hook may drop the last other reference
        ResolveMasses(step, m, hit.mass);
        if (!m->InWorld()) return;
    }
    m->posX += slideX;
    m->posY += slideY;
}

const char* TContinuous::BrokenPassage(const TPhysics& w) const {
    const core::TList* zones = w.Zones();
    if (!on_ || !zones) return nullptr;
    for (const TStart& s : starts_) {
        const TMass* m = s.mass;
        if (!m->InWorld() || m->frozen) continue;
        const float half = 0.5f * m->radius;
        const float ex = m->posX - s.x, ey = m->posY - s.y;
        for (const TZone* z : zones->Each<TZone>()) {
            if (!Collides(m->colGroup, static_cast<float>(z->colGroup))) continue;
            if (z->style < TZone::LINE || z->style > TZone::HOLE) continue;
            const int n = static_cast<int>(z->area.size() / 2);
            if (n < 2) continue;
            const float* v = z->area.data();
            if (z->style == TZone::FILL || z->style == TZone::HOLE) {
                std::vector<float> placed(z->area);
                for (int k = 0; k < n; ++k) {
                    placed[2 * k] += z->offsetX;
                    placed[2 * k + 1] += z->offsetY;
                }
                if (TWinding::Contains(placed.data(), n, s.x, s.y) == (z->style == TZone::FILL))
                    continue; // it started in the matter
            }
            const int first = z->style == TZone::LINE ? 1 : 0;
            for (int k = first; k < n; ++k) {
                const int j = k == 0 ? n - 1 : k - 1;
                const float ax = v[2 * j] + z->offsetX, ay = v[2 * j + 1] + z->offsetY;
                const float bx = v[2 * k] + z->offsetX, by = v[2 * k + 1] + z->offsetY;
                const float lx = bx - ax, ly = by - ay;
                const float len = std::sqrt(lx * lx + ly * ly);
                if (!(len > 0)) continue;
                const float before = ((s.x - ax) * ly - (s.y - ay) * lx) / len;
                const float after = ((m->posX - ax) * ly - (m->posY - ay) * lx) / len;
                if (!(std::fabs(before) >= half && std::fabs(after) >= half &&
                      (before < 0) != (after < 0)))
                    continue;
                // Where the way crossed the edge's line, along the edge.
                const float f = before / (before - after);
                const float cx = s.x + f * ex, cy = s.y + f * ey;
                const float u = ((cx - ax) * lx + (cy - ay) * ly) / (len * len);
                if (u >= 0 && u <= 1) return "continuous collision: a mass passed through a zone";
            }
        }
    }
    return nullptr;
}

bool TContinuous::Sweep(const TStepContext& step, TMass* m, std::size_t k, TNearZones& near) {
    float sx = from_[2 * k], sy = from_[2 * k + 1];
    const float r = m->radius;
    {
        const float dx = m->posX - sx, dy = m->posY - sy;
        // Not a number: a mass the bounds take out of the step.
        if (!(dx * dx + dy * dy > 0.25f * r * r)) return true;
    }
    for (int round = 0; round < kRounds; ++round) {
        const TSweptDisc path{sx, sy, m->posX - sx, m->posY - sy, r};
        TTouch touch;
        TZoneBase* zone = nullptr;
        TMassTouch hit;
        float reachOf = r; // the touch's full distance: the radii's sum
        SweepZones(step, m, path, touch, zone, near);
        const float before = touch.t;
        if (bullets_ && m->bullet)
            TouchMasses(step, m, path, touch, hit);
        else
            TouchFrozen(path, m->colGroup, touch, hit);
        if (touch.t < before) {
            zone = nullptr;
            reachOf = r + (hit.frozen ? hit.frozen->radius : hit.mass->radius);
        }
        if (!(touch.t <= 1)) return true;
        const float cx = path.x + touch.t * path.dx, cy = path.y + touch.t * path.dy;
        const float past = (cx - m->posX) * touch.nx + (cy - m->posY) * touch.ny;
        if (!(past + (reachOf - touch.reach) > kSlop * r)) return true;
        if (zone) {
            // A response of the program's own may free the zone; a quiet
            // pass, perhaps on several threads, takes no reference.
            core::Ref<TZoneBase> heldZone(step.plan.quiet ? nullptr : zone);
            TZoneAccess::CollideSwept(step, zone, m, path, touch);
        } else {
            CollideAt(step, m, path, touch, hit);
        }
        if (!m->InWorld()) return false;
        sx = cx;
        sy = cy;
    }
    // Still touching after the last round: where the mass is now, any zone.
    near.Forget();
    return true;
}

} // namespace kel::tangle::detail
