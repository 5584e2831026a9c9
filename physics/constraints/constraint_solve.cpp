#include "physics/constraints/constraint_solve.h"

#include "physics/threads/strip_schedule.h"

namespace kel::tangle::detail {

namespace {

// Constraints per range of the pass on several threads: the same ranges for
// any thread count.
constexpr std::size_t kConstraintRange = 2048;

// A push of mass m by the multiplier l along the gradient (gx, gy), as a
// change of its velocity: its previous position moves the other way.
void Push(TMass* m, float gx, float gy, float l) {
    const float w = InverseMass(m);
    m->oldPosX -= w * gx * l;
    m->oldPosY -= w * gy * l;
}

} // namespace

void TakeRestShape(const std::vector<core::Ref<TMass>>& masses, std::vector<float>& rest) {
    float total = 0, cx = 0, cy = 0;
    for (const core::Ref<TMass>& m : masses) {
        total += m->mass;
        cx += m->mass * m->posX;
        cy += m->mass * m->posY;
    }
    if (total > 0) {
        cx /= total;
        cy /= total;
    }
    rest.clear();
    rest.reserve(2 * masses.size());
    for (const core::Ref<TMass>& m : masses) {
        rest.push_back(m->posX - cx);
        rest.push_back(m->posY - cy);
    }
}

float TShapeFit::Deviation(const std::vector<core::Ref<TMass>>& masses,
                           const std::vector<float>& rest) const {
    if (!valid_ || masses.empty()) return 0;
    float sum = 0;
    for (std::size_t k = 0; k < masses.size(); ++k) {
        float gx, gy;
        Goal(rest, k, gx, gy);
        const float dx = masses[k]->posX - gx, dy = masses[k]->posY - gy;
        sum += dx * dx + dy * dy;
    }
    return std::sqrt(sum / static_cast<float>(masses.size()));
}

void TConstraintSolver::Preload(TConstraint& c, float alpha) {
    if (c.kind_ != TConstraint::DISTANCE && c.kind_ != TConstraint::PRESSURE) return;
    if (c.ring_.empty()) {
        TMass* a = c.m[0].Get();
        TMass* b = c.m[1].Get();
        if (!a || !b) return;
        const float weight = InverseMass(a) + InverseMass(b);
        const float dx = a->posX - b->posX, dy = a->posY - b->posY;
        const float d = std::sqrt(dx * dx + dy * dy);
        if (!(weight > 0) || !(d >= kMinDistance)) return;
        const float share = std::fmin(1.0f, alpha / weight * kPreloadShare);
        const float l = share * (c.restLength - d) / alpha;
        if (!std::isfinite(l)) return;
        c.lambda_ = l;
        const float ux = dx / d, uy = dy / d;
        Push(a, ux, uy, l);
        Push(b, -ux, -uy, l);
        return;
    }
    const std::vector<core::Ref<TMass>>& ring = c.ring_;
    const std::size_t n = ring.size();
    const float shortfall = c.restLength - 0.5f * c.winding_ * TwiceSignedArea(ring);
    if (!(shortfall > 0)) return; // pressure only pushes
    // Gradients before any mass is pushed; only old positions change here,
    // so the positions they are taken from stay as they are.
    float weight = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const TMass* before = ring[k == 0 ? n - 1 : k - 1];
        const TMass* after = ring[k + 1 == n ? 0 : k + 1];
        const float gx = 0.5f * c.winding_ * (after->posY - before->posY);
        const float gy = 0.5f * c.winding_ * (before->posX - after->posX);
        weight += InverseMass(ring[k]) * (gx * gx + gy * gy);
    }
    if (!(weight > 0)) return;
    const float share = std::fmin(1.0f, alpha / weight * kPreloadShare);
    const float l = share * shortfall / alpha;
    if (!std::isfinite(l)) return;
    c.lambda_ = l;
    for (std::size_t k = 0; k < n; ++k) {
        const TMass* before = ring[k == 0 ? n - 1 : k - 1];
        const TMass* after = ring[k + 1 == n ? 0 : k + 1];
        Push(ring[k], 0.5f * c.winding_ * (after->posY - before->posY),
             0.5f * c.winding_ * (before->posX - after->posX), l);
    }
}

void TSolveTogether::Pass(const std::vector<TConstraint*>& constraints,
                          const std::vector<TMass*>& movers, float complianceScale,
                          bool numberMovers, TThreads& threads) {
    if (numberMovers) {
        for (std::size_t k = 0; k < movers.size(); ++k)
            StepStateOf(movers[k]).stepSlot = static_cast<std::uint32_t>(k);
    }
    movers_ = &movers;
    count_ = static_cast<std::uint32_t>(movers.size());
    if (threads.Count() >= 2 && constraints.size() >= 2 * kConstraintRange) {
        PassOnThreads(constraints, complianceScale, threads);
        return;
    }
    holders_.assign(movers.size(), 0);
    for (const TConstraint* c : constraints) {
        if (c->GetKind() == TConstraint::SKIN) continue; // it moves nothing in the passes
        c->ForEachMass([&](const TMass* m) {
            const std::uint32_t slot = m ? StepStateOf(m).stepSlot : count_;
            if (slot < count_ && movers[slot] == m) holders_[slot] += 1;
        });
    }
    sums_.assign(movers.size(), Sum{0, 0});
    for (TConstraint* c : constraints) TConstraintSolver::Solve(*c, complianceScale, *this);
    for (std::uint32_t k = 0; k < count_; ++k) {
        if (holders_[k] == 0) continue;
        const Sum& s = sums_[k];
        TMass* m = movers[k];
        m->posX += s.dx / holders_[k];
        m->posY += s.dy / holders_[k];
    }
}

std::uint32_t TSolveTogether::MoverRangeOf(std::uint32_t slot) const {
    // Ranges of equal length but the last; the same for every pass of a step.
    const std::uint32_t length = (count_ + moverRanges_ - 1) / moverRanges_;
    return slot / length;
}

void TSolveTogether::PassOnThreads(const std::vector<TConstraint*>& constraints,
                                   float complianceScale, TThreads& threads) {
    moverRanges_ = static_cast<std::uint32_t>(threads.Count());
    const std::size_t ranges = (constraints.size() + kConstraintRange - 1) / kConstraintRange;
    if (logs_.size() < ranges) logs_.resize(ranges);
    for (std::size_t r = 0; r < ranges; ++r) {
        logs_[r].holders.resize(moverRanges_);
        logs_[r].moves.resize(moverRanges_);
    }
    if (sums_.size() < count_) sums_.resize(count_);
    if (holders_.size() < count_) holders_.resize(count_);

    // What each constraint asks, range by range, into the range's log.
    threads.ForRanges(constraints.size(), kConstraintRange, [&](std::size_t from, std::size_t to) {
        TRangeLog& log = logs_[from / kConstraintRange];
        for (auto& h : log.holders) h.clear();
        for (auto& m : log.moves) m.clear();
        struct TRecord {
            TSolveTogether& solve;
            TRangeLog& log;
            void operator()(TMass* m, float dx, float dy) const {
                const std::uint32_t slot = StepStateOf(m).stepSlot;
                if (slot >= solve.count_ || (*solve.movers_)[slot] != m) return;
                log.moves[solve.MoverRangeOf(slot)].push_back({slot, dx, dy});
            }
        } record{*this, log};
        for (std::size_t k = from; k < to; ++k) {
            TConstraint* c = constraints[k];
            if (c->GetKind() == TConstraint::SKIN) continue; // it moves nothing in the passes
            c->ForEachMass([&](const TMass* m) {
                const std::uint32_t slot = m ? StepStateOf(m).stepSlot : count_;
                if (slot < count_ && (*movers_)[slot] == m)
                    log.holders[MoverRangeOf(slot)].push_back(slot);
            });
            TConstraintSolver::Solve(*c, complianceScale, record);
        }
    });

    // Each range of movers: its sums in constraint order, then its moves.
    struct TGather {
        TSolveTogether& solve;
        std::size_t ranges;
    } gather{*this, ranges};
    const auto task = [](int begin, int end, int, void* context) {
        TGather& g = *static_cast<TGather*>(context);
        TSolveTogether& s = g.solve;
        for (int range = begin; range < end; ++range) {
            const std::uint32_t length = (s.count_ + s.moverRanges_ - 1) / s.moverRanges_;
            const std::uint32_t first = static_cast<std::uint32_t>(range) * length;
            const std::uint32_t last = first + length < s.count_ ? first + length : s.count_;
            for (std::uint32_t k = first; k < last; ++k) {
                s.sums_[k] = Sum{0, 0};
                s.holders_[k] = 0;
            }
            for (std::size_t r = 0; r < g.ranges; ++r) {
                const TRangeLog& log = s.logs_[r];
                for (const std::uint32_t slot : log.holders[static_cast<std::size_t>(range)])
                    s.holders_[slot] += 1;
                for (const TMove& move : log.moves[static_cast<std::size_t>(range)]) {
                    Sum& sum = s.sums_[move.slot];
                    sum.dx += move.dx;
                    sum.dy += move.dy;
                }
            }
            for (std::uint32_t k = first; k < last; ++k) {
                if (s.holders_[k] == 0) continue;
                TMass* m = (*s.movers_)[k];
                m->posX += s.sums_[k].dx / s.holders_[k];
                m->posY += s.sums_[k].dy / s.holders_[k];
            }
        }
    };
    threads.For(task, static_cast<int>(moverRanges_), &gather);
}

} // namespace kel::tangle::detail
