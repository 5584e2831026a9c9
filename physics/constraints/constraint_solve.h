#pragma once
// How the step satisfies constraints, in two orders:
//
//   in order   each constraint moves its masses at once, and the next one
//              starts from where they are (Gauss-Seidel). Converges fast,
//              and is the step as it always was; but the order in which a
//              ring was built leaves a small net turn in every pass, which
//              friction turns into rolling.
//   together   every constraint works from the same positions; each mass
//              then moves by the mean of what its constraints asked of it
//              (Jacobi, averaged). Slower to converge, but no constraint
//              goes first, so a symmetric body stays symmetric
//              (TPhysics::SetStacking(2)).
//
// A constraint with a compliance (TConstraint::SetCompliance) is solved as a
// spring of the material (extended position-based dynamics): its multiplier
// accumulates over the passes of a (sub)step, and the compliance is scaled by
// the square of the substep. Alone, that converges to the same stretch under
// a steady load only with enough passes: one pass over a chain of ten links
// can leave it sagging half as much again as sixteen passes do. So each
// (sub)step starts from the force the spring exerts where the masses are
// (the preload), applied as a push before integration, and the passes solve
// only for its change. At rest the preload carries the load and the passes
// find nothing to do, whatever their number. An explicit spring is stable
// only while it is soft next to its masses, so a stiff constraint preloads
// only the share kPreloadShare allows and leaves the rest to the passes.
// Angles and shapes are not preloaded: their force is not along one line
// that a push before integration could carry.
//
// Angles and shapes move their masses by inverse mass along the gradient of
// their error, as pressure does. A shape's error is the mass-weighted root
// of the squared distances from the goals of the fit (Mueller et al.'s shape
// matching); as a compliant constraint it is a spring from each mass to its
// goal, as stiff as the mass is heavy.

#include <cmath>
#include <cstdint>
#include <vector>

#include "physics/constraint.h"
#include "physics/contacts/contact.h"
#include "physics/step/mass_step.h"
#include "physics/mass.h"

namespace kel::tangle::detail {

class TThreads;

// Moves a mass at once (the in-order solve).
struct TMoveAtOnce {
    void operator()(TMass* m, float dx, float dy) const {
        m->posX += dx;
        m->posY += dy;
    }
};

// Gathers the moves of one pass per mass (the together solve).
class TSolveTogether {
  public:
    // One pass over `constraints`. `movers` are the masses the step moves;
    // their step slot (TMassStepState) names their place in it when sleeping is on (the sleep
    // phase numbers them), and `numberMovers` numbers them here when it is
    // off. `complianceScale` is the square of the substeps. With `threads`
    // of 2 or more, the pass runs on them with the same result, bit for bit
    // (see PassOnThreads).
    void Pass(const std::vector<TConstraint*>& constraints, const std::vector<TMass*>& movers,
              float complianceScale, bool numberMovers, TThreads& threads);

    void operator()(TMass* m, float dx, float dy) {
        const std::uint32_t slot = StepStateOf(m).stepSlot;
        // A mass the step does not move (asleep) is held where it is.
        if (slot >= count_ || (*movers_)[slot] != m) return;
        Sum& s = sums_[slot];
        s.dx += dx;
        s.dy += dy;
    }

  private:
    struct Sum {
        float dx, dy;
    };
    // A move a constraint asks of the mover in `slot`.
    struct TMove {
        std::uint32_t slot;
        float dx, dy;
    };
    // What one range of constraints asks, sorted by the range of movers
    // (one per thread) each move is for, in constraint order.
    struct TRangeLog {
        std::vector<std::vector<std::uint32_t>> holders; // slots held, per mover range
        std::vector<std::vector<TMove>> moves;           // per mover range
    };
    // On several threads: the constraints are solved in ranges, each into
    // its log; then each thread sums, for its range of movers, the logs'
    // moves in constraint order (the order of the pass on one thread, so
    // the sums are the same to the bit) and moves its masses.
    void PassOnThreads(const std::vector<TConstraint*>& constraints, float complianceScale,
                       TThreads& threads);
    std::uint32_t MoverRangeOf(std::uint32_t slot) const;
    std::vector<TRangeLog> logs_;
    std::uint32_t moverRanges_ = 1;
    std::vector<Sum> sums_;
    // Per mover: the constraints that hold it. A mass moves by the sum of
    // what they ask over this count, which counts a constraint whether or
    // not it asks anything (pressure only pushes): a share that changed from
    // pass to pass would make a resting body chatter. Counted in every pass,
    // as a hook may change the lists between passes.
    std::vector<float> holders_;
    const std::vector<TMass*>* movers_ = nullptr;
    std::uint32_t count_ = 0;
};

// Reaches what the step keeps in a constraint.
struct TConstraintSolver {
    // One relaxation of c, moving its masses through `move`.
    template <class Move> static void Solve(TConstraint& c, float complianceScale, Move& move);
    // Starts a (sub)step, before integration: every multiplier back to 0,
    // and compliant constraints preloaded.
    static void BeginSubstep(const std::vector<TConstraint*>& constraints, float complianceScale) {
        for (TConstraint* c : constraints) {
            c->lambda_ = 0;
            if (c->compliance_ > 0) Preload(*c, c->compliance_ * complianceScale);
        }
    }

  private:
    static void Preload(TConstraint& c, float alpha);
    template <class Move> static void Distance(TConstraint& c, float complianceScale, Move& move);
    template <class Move> static void Pressure(TConstraint& c, float complianceScale, Move& move);
    template <class Move> static void Angle(TConstraint& c, float complianceScale, Move& move);
    template <class Move> static void Shape(TConstraint& c, float complianceScale, Move& move);
};

// Angles, degrees.
constexpr float kFullTurn = 360;
constexpr float kHalfTurn = 180;
constexpr float kRadToDeg = 57.29577951308232f;

// An angle in 0 ... 360 (360 itself becomes 0).
inline float WithinTurn(float degrees) {
    float a = std::fmod(degrees, kFullTurn);
    if (a < 0) a += kFullTurn;
    return a >= kFullTurn ? 0.0f : a;
}

// The angle at `middle` from the arm to `first` round to the arm to `last`,
// 0 ... 360 degrees; 0 when an arm has no length.
inline float AngleAt(const TMass& first, const TMass& middle, const TMass& last) {
    const float ux = first.posX - middle.posX, uy = first.posY - middle.posY;
    const float vx = last.posX - middle.posX, vy = last.posY - middle.posY;
    return WithinTurn(std::atan2(ux * vy - uy * vx, ux * vx + uy * vy) * kRadToDeg);
}

// Each mass's place about the masses' centre, weighted by their mass: the
// rest shape of a shape-matching constraint, as x, y per mass.
void TakeRestShape(const std::vector<core::Ref<TMass>>& masses, std::vector<float>& rest);

// The rest shape moved and turned to fit the masses where they are: the
// turn that best maps the rest places onto the present ones about their
// weighted centres. A 2 x 2 fit needs no trigonometry: the turn's cosine and
// sine are the weighted sums of the dot and cross products of rest and
// present places, normalised.
class TShapeFit {
  public:
    TShapeFit(const std::vector<core::Ref<TMass>>& masses, const std::vector<float>& rest) {
        const std::size_t n = masses.size();
        float total = 0;
        for (std::size_t k = 0; k < n; ++k) {
            const TMass& m = *masses[k];
            total += m.mass;
            cx_ += m.mass * m.posX;
            cy_ += m.mass * m.posY;
        }
        if (!(total > 0)) return; // no centre: Valid() says so
        cx_ /= total;
        cy_ /= total;
        float dot = 0, cross = 0;
        for (std::size_t k = 0; k < n; ++k) {
            const TMass& m = *masses[k];
            const float px = m.posX - cx_, py = m.posY - cy_;
            const float qx = rest[2 * k], qy = rest[2 * k + 1];
            dot += m.mass * (qx * px + qy * py);
            cross += m.mass * (qx * py - qy * px);
        }
        const float h = std::sqrt(dot * dot + cross * cross);
        // A set crushed to its centre has no turn: it keeps the rest one.
        if (h > 0 && std::isfinite(h)) {
            cos_ = dot / h;
            sin_ = cross / h;
        }
        valid_ = std::isfinite(cx_) && std::isfinite(cy_);
    }
    bool Valid() const { return valid_; }
    // Where mass k belongs.
    void Goal(const std::vector<float>& rest, std::size_t k, float& x, float& y) const {
        const float qx = rest[2 * k], qy = rest[2 * k + 1];
        x = cx_ + cos_ * qx - sin_ * qy;
        y = cy_ + sin_ * qx + cos_ * qy;
    }
    // The root mean square distance of the masses from their goals.
    float Deviation(const std::vector<core::Ref<TMass>>& masses,
                    const std::vector<float>& rest) const;

  private:
    float cx_ = 0, cy_ = 0, cos_ = 1, sin_ = 0;
    bool valid_ = false;
};

// The preload is at most this share of a spring whose compliance, scaled to
// the substep, is as small as the sum of its weights (the explicit spring's
// own limit is near 4 for a lone spring and 2 in a chain).
constexpr float kPreloadShare = 0.5f;

// Inverse mass for the compliant and pressure solves; 0 for a frozen mass.
inline float InverseMass(const TMass* m) { return m->frozen ? 0.0f : 1.0f / m->mass; }

// Twice the signed area of a ring (counter-clockwise positive with y up).
inline float TwiceSignedArea(const std::vector<core::Ref<TMass>>& ring) {
    float sum = 0;
    const std::size_t n = ring.size();
    for (std::size_t k = 0, j = n - 1; k < n; j = k++)
        sum += ring[j]->posX * ring[k]->posY - ring[k]->posX * ring[j]->posY;
    return sum;
}

template <class Move>
void TConstraintSolver::Solve(TConstraint& c, float complianceScale, Move& move) {
    switch (c.kind_) {
    case TConstraint::DISTANCE:
        Distance(c, complianceScale, move);
        return;
    case TConstraint::PRESSURE:
        Pressure(c, complianceScale, move);
        return;
    case TConstraint::ANGLE:
        Angle(c, complianceScale, move);
        return;
    case TConstraint::SHAPE:
        Shape(c, complianceScale, move);
        return;
    case TConstraint::SKIN:
        return; // it collides after the sweep (skin_contacts.h)
    }
}

template <class Move>
void TConstraintSolver::Distance(TConstraint& c, float complianceScale, Move& move) {
    TMass* a = c.m[0].Get();
    TMass* b = c.m[1].Get();
    if (!a || !b || (a->frozen && b->frozen)) return;
    float dx = a->posX - b->posX, dy = a->posY - b->posY;
    float d = std::sqrt(dx * dx + dy * dy);
    if (d < kMinDistance) d = kMinDistance;
    float ux = dx / d, uy = dy / d;
    if (c.compliance_ >= 0) {
        const float wa = InverseMass(a), wb = InverseMass(b);
        // How fast the length changes over this (sub)step, for the damping.
        const float rate = ux * ((a->posX - a->oldPosX) - (b->posX - b->oldPosX)) +
                           uy * ((a->posY - a->oldPosY) - (b->posY - b->oldPosY));
        const float dl = c.Multiplier(d - c.restLength, rate, wa + wb, complianceScale);
        if (!std::isfinite(dl)) return;
        c.lambda_ += dl;
        move(a, ux * dl * wa, uy * dl * wa);
        move(b, -ux * dl * wb, -uy * dl * wb);
        return;
    }
    float e = (d - c.restLength) * c.stiffness;
    if (a->frozen) {
        move(b, ux * e, uy * e);
    } else if (b->frozen) {
        move(a, -(ux * e), -(uy * e));
    } else {
        float s = a->mass + b->mass;
        float wa = b->mass / s, wb = a->mass / s;
        // Masses that sum to zero have no defined share: nothing moves.
        if (!std::isfinite(wa) || !std::isfinite(wb)) return;
        move(a, -(ux * e * wa), -(uy * e * wa));
        move(b, ux * e * wb, uy * e * wb);
    }
}

// The area's gradient at mass k is half the perpendicular of the chord from
// the mass before it to the mass after it.
template <class Move>
void TConstraintSolver::Pressure(TConstraint& c, float complianceScale, Move& move) {
    const std::vector<core::Ref<TMass>>& ring = c.ring_;
    const std::size_t n = ring.size();
    const float area = 0.5f * c.winding_ * TwiceSignedArea(ring);
    const float shortfall = c.restLength - area; // > 0 while squeezed
    const bool compliant = c.compliance_ >= 0;
    // Only a squeezed ring is pushed; a compliant one may also give back
    // what it pushed earlier in the substep, but never pull.
    if (!(shortfall > 0) && !(compliant && c.lambda_ > 0)) return;
    auto gradient = [&](std::size_t k, float& gx, float& gy) {
        const TMass* before = ring[k == 0 ? n - 1 : k - 1].Get();
        const TMass* after = ring[k + 1 == n ? 0 : k + 1].Get();
        gx = 0.5f * c.winding_ * (after->posY - before->posY);
        gy = 0.5f * c.winding_ * (before->posX - after->posX);
    };
    float weight = 0;
    for (std::size_t k = 0; k < n; ++k) {
        float gx, gy;
        gradient(k, gx, gy);
        weight += InverseMass(ring[k]) * (gx * gx + gy * gy);
    }
    float dl;
    if (compliant) {
        float rate = 0;
        for (std::size_t k = 0; k < n; ++k) {
            float gx, gy;
            gradient(k, gx, gy);
            rate +=
                gx * (ring[k]->posX - ring[k]->oldPosX) + gy * (ring[k]->posY - ring[k]->oldPosY);
        }
        // The area's shortfall is the constraint's error, and it falls as the area grows.
        dl = c.Multiplier(-shortfall, rate, weight, complianceScale);
        if (c.lambda_ + dl < 0) dl = -c.lambda_;
        c.lambda_ += dl;
    } else {
        dl = shortfall * c.stiffness / weight;
    }
    if (!std::isfinite(dl) || dl == 0) return;
    // Each mass's gradient from its neighbours' positions before any of
    // them moved: what comes after the ring's first mass reads where it was.
    const float firstX = ring[0]->posX, firstY = ring[0]->posY;
    float prevX = ring[n - 1]->posX, prevY = ring[n - 1]->posY;
    for (std::size_t k = 0; k < n; ++k) {
        TMass* here = ring[k].Get();
        const bool last = k + 1 == n;
        const float nextX = last ? firstX : ring[k + 1]->posX;
        const float nextY = last ? firstY : ring[k + 1]->posY;
        const float gx = 0.5f * c.winding_ * (nextY - prevY);
        const float gy = 0.5f * c.winding_ * (prevX - nextX);
        prevX = here->posX;
        prevY = here->posY;
        const float w = InverseMass(here);
        if (w != 0) move(here, gx * dl * w, gy * dl * w);
    }
}

// The angle's gradient: at the first mass the perpendicular of its arm over
// the arm's length squared, at the last the same turned the other way, and
// at the middle minus their sum. Beyond a limit, the whole error is
// corrected (a hinge's stop is rigid); within, the stiffness or compliance
// pulls towards the rest angle the short way round.
template <class Move>
void TConstraintSolver::Angle(TConstraint& c, float complianceScale, Move& move) {
    TMass* a = c.ring_[0].Get();
    TMass* o = c.ring_[1].Get();
    TMass* b = c.ring_[2].Get();
    const float ux = a->posX - o->posX, uy = a->posY - o->posY;
    const float vx = b->posX - o->posX, vy = b->posY - o->posY;
    const float uu = ux * ux + uy * uy, vv = vx * vx + vy * vy;
    constexpr float kShortest = kMinDistance * kMinDistance;
    if (!(uu > kShortest) || !(vv > kShortest)) return;
    const float angle = WithinTurn(std::atan2(ux * vy - uy * vx, ux * vx + uy * vy) * kRadToDeg);
    const float lower = c.params_[0], upper = c.params_[1];
    const bool limited = angle < lower || angle > upper;
    float error; // degrees
    if (angle < lower)
        error = angle - lower;
    else if (angle > upper)
        error = angle - upper;
    else {
        error = angle - c.restLength;
        if (error > kHalfTurn)
            error -= kFullTurn;
        else if (error < -kHalfTurn)
            error += kFullTurn;
    }
    error /= kRadToDeg;
    const float gax = uy / uu, gay = -ux / uu;
    const float gbx = -vy / vv, gby = vx / vv;
    const float gox = -(gax + gbx), goy = -(gay + gby);
    const float wa = InverseMass(a), wo = InverseMass(o), wb = InverseMass(b);
    const float weight =
        wa * (gax * gax + gay * gay) + wb * (gbx * gbx + gby * gby) + wo * (gox * gox + goy * goy);
    if (!(weight > 0)) return;
    float dl;
    if (limited) {
        dl = -error / weight;
    } else if (c.compliance_ >= 0) {
        const float rate = gax * (a->posX - a->oldPosX) + gay * (a->posY - a->oldPosY) +
                           gbx * (b->posX - b->oldPosX) + gby * (b->posY - b->oldPosY) +
                           gox * (o->posX - o->oldPosX) + goy * (o->posY - o->oldPosY);
        dl = c.Multiplier(error, rate, weight, complianceScale);
        if (!std::isfinite(dl)) return;
        c.lambda_ += dl;
    } else {
        dl = -error * c.stiffness / weight;
    }
    if (!std::isfinite(dl) || dl == 0) return;
    if (wa != 0) move(a, gax * dl * wa, gay * dl * wa);
    if (wo != 0) move(o, gox * dl * wo, goy * dl * wo);
    if (wb != 0) move(b, gbx * dl * wb, gby * dl * wb);
}

// Every goal is taken from the fit before any mass moves.
template <class Move>
void TConstraintSolver::Shape(TConstraint& c, float complianceScale, Move& move) {
    const std::vector<core::Ref<TMass>>& masses = c.ring_;
    const std::vector<float>& rest = c.params_;
    const TShapeFit fit(masses, rest);
    if (!fit.Valid()) return;
    const std::size_t n = masses.size();
    if (c.compliance_ < 0) {
        for (std::size_t k = 0; k < n; ++k) {
            TMass* m = masses[k].Get();
            if (m->frozen) continue;
            float gx, gy;
            fit.Goal(rest, k, gx, gy);
            const float dx = (gx - m->posX) * c.stiffness, dy = (gy - m->posY) * c.stiffness;
            if (std::isfinite(dx) && std::isfinite(dy)) move(m, dx, dy);
        }
        return;
    }
    // The error C is the root of the sum of m |x - goal|^2 over the free
    // masses; its gradient at mass k is m (x - goal) / C, so the weight
    // (the sum of inverse mass times squared gradient) is 1.
    float squared = 0, rate = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const TMass* m = masses[k].Get();
        if (m->frozen) continue;
        float gx, gy;
        fit.Goal(rest, k, gx, gy);
        const float dx = m->posX - gx, dy = m->posY - gy;
        squared += m->mass * (dx * dx + dy * dy);
        rate += m->mass * (dx * (m->posX - m->oldPosX) + dy * (m->posY - m->oldPosY));
    }
    const float error = std::sqrt(squared);
    if (!(error > kMinDistance) || !std::isfinite(error)) return;
    const float dl = c.Multiplier(error, rate / error, 1, complianceScale);
    if (!std::isfinite(dl)) return;
    c.lambda_ += dl;
    const float scale = dl / error;
    for (std::size_t k = 0; k < n; ++k) {
        TMass* m = masses[k].Get();
        if (m->frozen) continue;
        float gx, gy;
        fit.Goal(rest, k, gx, gy);
        move(m, (m->posX - gx) * scale, (m->posY - gy) * scale);
    }
}

} // namespace kel::tangle::detail
