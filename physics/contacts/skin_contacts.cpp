#include "physics/contacts/skin_contacts.h"

#include <algorithm>
#include <cmath>

#include "physics/colevent.h"
#include "physics/contacts/collision_queue.h"
#include "physics/constraints/constraint_solve.h"
#include "physics/contacts/contact.h"
#include "physics/sleep/sleep.h"
#include "physics/step/step_context.h"

namespace kel::tangle::detail {

namespace {

// No skin covers more than this many cells across: the cells grow instead.
constexpr float kMostCellsAcross = 32;
// Cell coordinates are kept within this, whatever the positions.
constexpr std::int64_t kFarthestCell = std::int64_t{1} << 30;

} // namespace

// One number for a cell, as the sorted entries hold it.
std::uint64_t TSkinContacts::CellKey(std::int64_t x, std::int64_t y) {
    return static_cast<std::uint64_t>(x + kFarthestCell) << 32 |
           static_cast<std::uint64_t>(y + kFarthestCell);
}

std::int64_t TSkinContacts::CellOf(float v) const {
    const float c = std::floor(v / cellSize_);
    if (!(c > -kFarthestCell)) return -kFarthestCell;
    if (!(c < kFarthestCell)) return kFarthestCell;
    return static_cast<std::int64_t>(c);
}

bool TSkinContacts::Gather(const std::vector<TConstraint*>& constraints) {
    skins_.clear();
    for (TConstraint* c : constraints) {
        if (c->kind_ != TConstraint::SKIN) continue;
        TSkin s{c, INFINITY, INFINITY, -INFINITY, -INFINITY, 1, 0, 0};
        for (const core::Ref<TMass>& m : c->ring_) {
            s.minX = std::fmin(s.minX, m->posX - m->radius);
            s.minY = std::fmin(s.minY, m->posY - m->radius);
            s.maxX = std::fmax(s.maxX, m->posX + m->radius);
            s.maxY = std::fmax(s.maxY, m->posY + m->radius);
        }
        // A skin with a mass where no number is has no outline to keep.
        if (!std::isfinite(s.minX + s.minY + s.maxX + s.maxY)) continue;
        s.winding = TwiceSignedArea(c->ring_) < 0 ? -1.0f : 1.0f;
        s.group = c->ring_[0]->colGroup;
        skins_.push_back(s);
    }
    return !skins_.empty();
}

void TSkinContacts::BuildCells() {
    float sum = 0, widest = 0;
    for (const TSkin& s : skins_) {
        const float extent = std::fmax(s.maxX - s.minX, s.maxY - s.minY);
        sum += extent;
        widest = std::fmax(widest, extent);
    }
    cellSize_ = std::fmax(sum / static_cast<float>(skins_.size()), widest / kMostCellsAcross);
    if (!(cellSize_ > 0) || !std::isfinite(cellSize_)) cellSize_ = 1;
    cells_.clear();
    for (std::uint32_t k = 0; k < skins_.size(); ++k) {
        const TSkin& s = skins_[k];
        const std::int64_t x0 = CellOf(s.minX), x1 = CellOf(s.maxX);
        const std::int64_t y0 = CellOf(s.minY), y1 = CellOf(s.maxY);
        for (std::int64_t x = x0; x <= x1; ++x)
            for (std::int64_t y = y0; y <= y1; ++y) cells_.push_back({CellKey(x, y), k});
    }
    std::sort(cells_.begin(), cells_.end());
}

bool TSkinContacts::Pass(const TStepContext& step) {
    if (!Gather(step.lists.Constraints())) return false;
    BuildCells();
    const std::vector<TMass*>& movers = step.lists.Movers();
    const std::vector<TMass*>& resting = step.lists.Resting();
    // Outside code (a hook) may drop any mass or skin while the contacts are
    // reported: everything the pass walks is held until it is done.
    const bool hold = !step.plan.quiet;
    if (hold) {
        held_.assign(movers.begin(), movers.end());
        held_.insert(held_.end(), resting.begin(), resting.end());
        heldSkins_.clear();
        for (const TSkin& s : skins_) heldSkins_.emplace_back(s.skin);
    }
    std::uint32_t turn = 0;
    for (TMass* m : movers) {
        if (!hold || m->InWorld()) Candidate(step, m, !m->frozen, ++turn);
    }
    for (TMass* m : resting) {
        if (!hold || m->InWorld()) Candidate(step, m, false, ++turn);
    }
    held_.clear();
    heldSkins_.clear();
    return true;
}

void TSkinContacts::Candidate(const TStepContext& step, TMass* m, bool movable,
                              std::uint32_t turn) {
    const float r = m->radius;
    if (m->colGroup == 0 || !std::isfinite(m->posX) || !std::isfinite(m->posY)) return;
    const std::int64_t x0 = CellOf(m->posX - r), x1 = CellOf(m->posX + r);
    const std::int64_t y0 = CellOf(m->posY - r), y1 = CellOf(m->posY + r);
    for (std::int64_t x = x0; x <= x1; ++x) {
        for (std::int64_t y = y0; y <= y1; ++y) {
            const std::uint64_t cell = CellKey(x, y);
            auto at = std::lower_bound(cells_.begin(), cells_.end(), TEntry{cell, 0});
            for (; at != cells_.end() && at->cell == cell; ++at) {
                TSkin& s = skins_[at->skin];
                if (s.seen == turn) continue;
                s.seen = turn;
                if (m->posX + r < s.minX || m->posX - r > s.maxX || m->posY + r < s.minY ||
                    m->posY - r > s.maxY || !Collides(m->colGroup, s.group))
                    continue;
                Collide(step, m, movable, s);
                if (!m->InWorld()) return; // a hook took it out
            }
        }
    }
}

void TSkinContacts::Collide(const TStepContext& step, TMass* m, bool movable, const TSkin& s) {
    const std::vector<core::Ref<TMass>>& ring = s.skin->ring_;
    const std::size_t n = ring.size();
    for (const core::Ref<TMass>& own : ring)
        if (own.Get() == m) return; // a mass of the skin itself
    const bool closed = s.skin->params_[0] != 0;
    const std::size_t edges = closed ? n : n - 1;
    const float px = m->posX, py = m->posY;
    std::size_t best = edges;
    float bestD2 = INFINITY, bestT = 0;
    bool inside = false;
    for (std::size_t k = 0; k < edges; ++k) {
        const TMass* a = ring[k].Get();
        const TMass* b = ring[k + 1 == n ? 0 : k + 1].Get();
        const float ex = b->posX - a->posX, ey = b->posY - a->posY;
        const float len2 = ex * ex + ey * ey;
        float t = len2 > 0 ? ((px - a->posX) * ex + (py - a->posY) * ey) / len2 : 0.0f;
        t = std::clamp(t, 0.0f, 1.0f);
        const float qx = a->posX + t * ex - px, qy = a->posY + t * ey - py;
        const float d2 = qx * qx + qy * qy;
        if (d2 < bestD2) {
            bestD2 = d2;
            bestT = t;
            best = k;
        }
        if (closed && (a->posY > py) != (b->posY > py) && px < ex * (py - a->posY) / ey + a->posX)
            inside = !inside;
    }
    if (best == edges) return;
    TMass* a = ring[best].Get();
    TMass* b = ring[best + 1 == n ? 0 : best + 1].Get();
    if (!Collides(m->colGroup, a->colGroup) || !Collides(m->colGroup, b->colGroup)) return;
    const float t = bestT;
    const float reach = m->radius + (1 - t) * a->radius + t * b->radius;
    const float qx = a->posX + t * (b->posX - a->posX), qy = a->posY + t * (b->posY - a->posY);
    float nx, ny, depth;
    const float dist = std::sqrt(bestD2);
    if (inside || dist < kMinDistance) {
        // Out through the nearest edge, along its outward normal.
        const float ex = b->posX - a->posX, ey = b->posY - a->posY;
        const float len = std::sqrt(ex * ex + ey * ey);
        if (!(len > kMinDistance)) return;
        nx = s.winding * ey / len;
        ny = -s.winding * ex / len;
        if (!closed && (px - qx) * nx + (py - qy) * ny < 0) {
            nx = -nx; // an open skin has no outside: the side the mass is on
            ny = -ny;
        }
        depth = reach - ((px - qx) * nx + (py - qy) * ny);
    } else {
        if (dist >= reach) return;
        nx = (px - qx) / dist;
        ny = (py - qy) / dist;
        depth = reach - dist;
    }
    if (!(depth > 0) || !std::isfinite(depth)) return;
    const float wm = movable ? InverseMass(m) : 0.0f;
    const float wa = InverseMass(a), wb = InverseMass(b);
    const float weight = wm + (1 - t) * (1 - t) * wa + t * t * wb;
    if (!(weight > 0) || !std::isfinite(weight)) return;
    const float l = depth / weight;
    m->posX += wm * l * nx;
    m->posY += wm * l * ny;
    a->posX -= (1 - t) * wa * l * nx;
    a->posY -= (1 - t) * wa * l * ny;
    b->posX -= t * wb * l * nx;
    b->posY -= t * wb * l * ny;
    // Friction on the sliding of the mass against the edge's point.
    const float friction = depth * 0.5f * (m->friction + (1 - t) * a->friction + t * b->friction);
    const float vx =
        (m->posX - m->oldPosX) - (1 - t) * (a->posX - a->oldPosX) - t * (b->posX - b->oldPosX);
    const float vy =
        (m->posY - m->oldPosY) - (1 - t) * (a->posY - a->oldPosY) - t * (b->posY - b->oldPosY);
    const float vn = vx * nx + vy * ny;
    const float hx = vx - vn * nx, hy = vy - vn * ny;
    const float h = std::sqrt(hx * hx + hy * hy);
    if (h > 0 && std::isfinite(h)) {
        const float keep = friction >= h ? 1.0f : friction / h;
        const float sx = hx * keep / weight, sy = hy * keep / weight;
        m->oldPosX += wm * sx;
        m->oldPosY += wm * sy;
        a->oldPosX -= (1 - t) * wa * sx;
        a->oldPosY -= (1 - t) * wa * sy;
        b->oldPosX -= t * wb * sx;
        b->oldPosY -= t * wb * sy;
    }
    if (step.sleepLog) {
        step.sleepLog->NoteContact(m, a);
        step.sleepLog->NoteContact(m, b);
    }
    ReportContact(step, {TColEvent::MASS_MASS, m, t < 0.5f ? a : b, qx, qy, depth});
}

} // namespace kel::tangle::detail
