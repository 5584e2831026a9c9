#include "physics/constraint.h"

#include <cmath>

#include "core/detail/block_pool.h"
#include "physics/body.h"
#include "physics/detail/contact.h"
#include "physics/detail/sleep.h"
#include "physics/detail/degmath.h"
#include "physics/world.h"

namespace kel::tangle {

void* TConstraint::operator new(std::size_t size) { return core::PooledNew<TConstraint>(size); }
void TConstraint::operator delete(void* p, std::size_t size) noexcept {
    core::PooledDelete<TConstraint>(p, size);
}

core::Ref<TConstraint> TConstraint::Create(TMass* m1, TMass* m2, float restLength,
                                           float stiffness) {
    if (!m1 || !m2) return nullptr;
    core::Ref<TConstraint> c = core::Make<TConstraint>();
    c->name = "Con";
    c->m[0] = m1;
    c->m[1] = m2;
    c->SetRestLength(restLength);
    c->stiffness = stiffness; // unclamped, unlike SetStiffness
    return c;
}

int TConstraint::SetName(const std::string& text) {
    name = text;
    return 0;
}

int TConstraint::SetRestLength(float f) {
    detail::WakeIslandOf(m[0]);
    detail::WakeIslandOf(m[1]);
    restLength = f > 0 ? f : GetLength(); // also for not-a-number
    return 0;
}

int TConstraint::SetStiffness(float f) {
    stiffness = Clamp01(f);
    return 0;
}

float TConstraint::GetLength() const {
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
        if (m[0]) m[0]->AddRef();
        if (m[1]) m[1]->AddRef();
        if (constraintList) link = constraintList->AddLast(this);
    }
    ++refCounter;
    return 0;
}

int TConstraint::SubRef() {
    --refCounter;
    if (refCounter == 0) {
        core::Ref<TConstraint> self(this); // the world list may hold the last reference
        if (m[0]) m[0]->SubRef();
        if (m[1]) m[1]->SubRef();
        if (link) {
            core::TLink* l = link;
            link = nullptr;
            l->Remove();
        }
    }
    return 0;
}

int TConstraint::Satisfy() {
    TMass* a = m[0].Get();
    TMass* b = m[1].Get();
    if (!a || !b || (a->frozen && b->frozen)) return 0;
    float dx = a->posX - b->posX, dy = a->posY - b->posY;
    float d = std::sqrt(dx * dx + dy * dy);
    if (d < detail::kMinDistance) d = detail::kMinDistance;
    float ux = dx / d, uy = dy / d;
    float e = (d - restLength) * stiffness;
    if (a->frozen) {
        b->posX += ux * e;
        b->posY += uy * e;
    } else if (b->frozen) {
        a->posX -= ux * e;
        a->posY -= uy * e;
    } else {
        float s = a->mass + b->mass;
        float wa = b->mass / s, wb = a->mass / s;
        // Masses that sum to zero have no defined share: nothing moves.
        if (!std::isfinite(wa) || !std::isfinite(wb)) return 0;
        a->posX -= ux * e * wa;
        a->posY -= uy * e * wa;
        b->posX += ux * e * wb;
        b->posY += uy * e * wb;
    }
    return 0;
}

} // namespace kel::tangle
