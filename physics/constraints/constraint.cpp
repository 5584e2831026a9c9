#include "physics/constraint.h"

#include <algorithm>
#include <cmath>

#include "core/detail/block_pool.h"
#include "physics/body.h"
#include "physics/constraints/constraint_solve.h"
#include "physics/contacts/contact.h"
#include "physics/zones/degmath.h"
#include "physics/step/finite.h"
#include "physics/sleep/sleep.h"
#include "physics/world.h"

namespace kel::tangle {

void* TConstraint::operator new(std::size_t size) { return core::PooledNew<TConstraint>(size); }
void TConstraint::operator delete(void* p, std::size_t size) noexcept {
    core::PooledDelete<TConstraint>(p, size);
}

core::Ref<TConstraint> TConstraint::Create(TMass* m1, TMass* m2, float restLength,
                                           float stiffness) {
    if (!m1 || !m2 || !detail::AllFinite(restLength, stiffness)) return nullptr;
    core::Ref<TConstraint> c = core::Make<TConstraint>();
    c->name = "Con";
    c->m[0] = m1;
    c->m[1] = m2;
    c->SetRestLength(restLength);
    c->stiffness = stiffness; // unclamped, unlike SetStiffness
    return c;
}

namespace {

// Whether the masses are all there and none is named twice.
bool DistinctMasses(const std::vector<TMass*>& masses) {
    if (std::find(masses.begin(), masses.end(), nullptr) != masses.end()) return false;
    std::vector<TMass*> sorted(masses);
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
}

// Calls f(a, b) for each edge of a chain of masses; with `closed`, first
// for the edge from the last back to the first (the order a ring has
// always been drawn in).
template <class F> void ForEachEdge(const std::vector<core::Ref<TMass>>& ring, bool closed, F&& f) {
    if (closed && ring.size() > 1) f(*ring.back(), *ring.front());
    for (std::size_t k = 0; k + 1 < ring.size(); ++k) f(*ring[k], *ring[k + 1]);
}

} // namespace

// A constraint over more than two masses: its first two stand in m, as the
// calls that name two masses read them.
core::Ref<TConstraint> TConstraint::CreateOver(Kind kind, const char* name,
                                               const std::vector<TMass*>& masses, float stiffness) {
    core::Ref<TConstraint> c = core::Make<TConstraint>();
    c->kind_ = kind;
    c->name = name;
    c->ring_.assign(masses.begin(), masses.end());
    c->m[0] = masses[0];
    c->m[1] = masses[1];
    c->stiffness = stiffness; // unclamped, as for a distance constraint
    return c;
}

core::Ref<TConstraint> TConstraint::CreatePressure(const std::vector<TMass*>& ring, float restArea,
                                                   float stiffness) {
    if (ring.size() < 3 || !DistinctMasses(ring) || !detail::AllFinite(restArea, stiffness))
        return nullptr;
    core::Ref<TConstraint> c = CreateOver(PRESSURE, "Pressure", ring, stiffness);
    c->winding_ = detail::TwiceSignedArea(c->ring_) < 0 ? -1.0f : 1.0f;
    c->SetRestLength(restArea);
    return c;
}

core::Ref<TConstraint> TConstraint::CreateAngle(TMass* first, TMass* middle, TMass* last,
                                                float restAngle, float stiffness) {
    const std::vector<TMass*> masses{first, middle, last};
    if (!DistinctMasses(masses) || !detail::AllFinite(restAngle, stiffness)) return nullptr;
    core::Ref<TConstraint> c = CreateOver(ANGLE, "Angle", masses, stiffness);
    c->params_ = {0, detail::kFullTurn};
    c->SetRestLength(restAngle);
    return c;
}

core::Ref<TConstraint> TConstraint::CreateShape(const std::vector<TMass*>& masses,
                                                float stiffness) {
    if (masses.size() < 3 || !DistinctMasses(masses) || !detail::AllFinite(stiffness))
        return nullptr;
    core::Ref<TConstraint> c = CreateOver(SHAPE, "Shape", masses, stiffness);
    c->SetRestLength(0);
    return c;
}

core::Ref<TConstraint> TConstraint::CreateSkin(const std::vector<TMass*>& masses, bool closed) {
    if (masses.size() < (closed ? 3u : 2u) || !DistinctMasses(masses)) return nullptr;
    core::Ref<TConstraint> c = CreateOver(SKIN, "Skin", masses, 0);
    c->params_ = {closed ? 1.0f : 0.0f};
    c->SetRestLength(0);
    return c;
}

int TConstraint::SetName(const std::string& text) {
    name = text;
    return 0;
}

int TConstraint::SetRestLength(float f) {
    if (!detail::AllFinite(f)) return -1;
    ForEachMass([](TMass* mass) { detail::WakeIslandOf(mass); });
    if (kind_ == SHAPE) {
        detail::TakeRestShape(ring_, params_);
        restLength = 0;
        return 0;
    }
    restLength = f > 0 ? f : GetLength();
    if (kind_ == ANGLE) restLength = detail::WithinTurn(restLength);
    return 0;
}

int TConstraint::SetAngleLimits(float lower, float upper) {
    if (kind_ != ANGLE || !detail::AllFinite(lower, upper) || lower < 0 ||
        upper > detail::kFullTurn || lower > upper)
        return -1;
    ForEachMass([](TMass* mass) { detail::WakeIslandOf(mass); });
    params_ = {lower, upper};
    return 0;
}

void TConstraint::GetAngleLimits(float& lower, float& upper) const {
    lower = kind_ == ANGLE ? params_[0] : 0;
    upper = kind_ == ANGLE ? params_[1] : detail::kFullTurn;
}

int TConstraint::SetStiffness(float f) {
    if (!detail::AllFinite(f)) return -1;
    stiffness = Clamp01(f);
    return 0;
}

int TConstraint::SetCompliance(float c, float dampingRatio) {
    if (!detail::AllFinite(c, dampingRatio)) return -1;
    compliance_ = c >= 0 ? c : kPerPass;
    damping_ = dampingRatio > 0 ? dampingRatio : 0;
    return 0;
}

// With the compliance a of the (sub)step (scaled by its length squared), a
// damping coefficient of 2 z sqrt(a / weight) is the damping ratio z of the
// spring of stiffness 1 / a between the masses.
float TConstraint::Multiplier(float error, float rate, float weight, float complianceScale) const {
    const float alpha = compliance_ * complianceScale;
    const float gamma = damping_ > 0 ? 2 * damping_ * std::sqrt(alpha / weight) : 0.0f;
    return (-error - alpha * lambda_ - gamma * rate) / ((1 + gamma) * weight + alpha);
}

TMass* TConstraint::GetRingMass(int k) const {
    return k >= 0 && k < GetRingSize() ? ring_[k].Get() : nullptr;
}

bool TConstraint::Holds(const TMass* mass) const {
    if (!mass) return false;
    bool held = false;
    ForEachMass([&](const TMass* own) { held = held || own == mass; });
    return held;
}

float TConstraint::GetLength() const {
    switch (kind_) {
    case PRESSURE:
        return 0.5f * winding_ * detail::TwiceSignedArea(ring_);
    case ANGLE:
        return detail::AngleAt(*ring_[0], *ring_[1], *ring_[2]);
    case SHAPE:
        return detail::TShapeFit(ring_, params_).Deviation(ring_, params_);
    case SKIN: {
        float length = 0;
        ForEachEdge(ring_, IsClosed() != 0, [&](const TMass& a, const TMass& b) {
            length += std::hypot(b.posX - a.posX, b.posY - a.posY);
        });
        return length;
    }
    case DISTANCE:
        break;
    }
    if (!m[0] || !m[1]) return 0;
    float dx = m[0]->posX - m[1]->posX, dy = m[0]->posY - m[1]->posY;
    return std::sqrt(dx * dx + dy * dy);
}

float TConstraint::GetAngle() const {
    if (!m[0] || !m[1]) return 0;
    return static_cast<float>(DegAtan2(m[1]->posY - m[0]->posY, m[1]->posX - m[0]->posX));
}

float TConstraint::GetStress() const {
    float length = GetLength();
    if (restLength == 0) return 1 + length;
    return length / restLength;
}

int TConstraint::Draw() const {
    if (kind_ == ANGLE) {
        for (int arm : {0, 2})
            TPhysics::DrawLine(ring_[1]->posX, ring_[1]->posY, ring_[arm]->posX, ring_[arm]->posY);
        return 0;
    }
    if (kind_ == SHAPE) {
        const detail::TShapeFit fit(ring_, params_);
        for (std::size_t k = 0; k < ring_.size(); ++k) {
            float gx, gy;
            fit.Goal(params_, k, gx, gy);
            TPhysics::DrawLine(ring_[k]->posX, ring_[k]->posY, gx, gy);
        }
        return 0;
    }
    if (kind_ == SKIN || kind_ == PRESSURE) {
        ForEachEdge(ring_, kind_ == PRESSURE || IsClosed(), [](const TMass& a, const TMass& b) {
            TPhysics::DrawLine(a.posX, a.posY, b.posX, b.posY);
        });
        return 0;
    }
    if (m[0] && m[1]) TPhysics::DrawLine(m[0]->posX, m[0]->posY, m[1]->posX, m[1]->posY);
    return 0;
}

// refCounter counts the bodies whose conList holds the constraint: at none,
// no list need be searched. Building a body assigns fresh constraints one
// after another, which a search of the growing list made quadratic.
int TConstraint::Assign(TBody* body) {
    if (!body || (refCounter > 0 && body->conList->Contains(this))) return 0;
    body->conList->AddLast(this);
    AddRef();
    return 0;
}

int TConstraint::Free(TBody* body) {
    if (!body || refCounter == 0 || !body->conList->Contains(this)) return 0;
    core::Ref<TConstraint> self(this); // the body's list may hold the last reference
    SubRef();
    body->conList->Remove(this);
    return 0;
}

int TConstraint::AddRef() {
    if (refCounter == 0) {
        ForEachMass([](TMass* mass) {
            if (mass) mass->AddRef();
        });
        if (constraintList) link = constraintList->AddLast(this);
    }
    ++refCounter;
    return 0;
}

int TConstraint::SubRef() {
    --refCounter;
    if (refCounter == 0) {
        core::Ref<TConstraint> self(this); // the world list may hold the last reference
        ForEachMass([](TMass* mass) {
            if (mass) mass->SubRef();
        });
        if (link) {
            core::TLink* l = link;
            link = nullptr;
            l->Remove();
        }
    }
    return 0;
}

int TConstraint::Satisfy() {
    detail::TMoveAtOnce move;
    detail::TConstraintSolver::Solve(*this, 1.0f, move);
    return 0;
}

} // namespace kel::tangle
