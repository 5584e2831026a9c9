// Moving, turning and placing a body as a whole, and its collision queries.
// The body's position is that of its reference mass (the lowest filled mass
// slot), its rotation the direction of its reference constraint.

#include <cmath>

#include "physics/advbody.h"
#include "physics/colevent.h"
#include "physics/zones/degmath.h"
#include "physics/step/finite.h"
#include "physics/zonebase.h"

namespace kel::tangle {

namespace {

template <class T> T* Reference(const TIndexTable<T>& table) {
    for (int i = 0; i < table.count; ++i) {
        if (T* part = table.Get(i)) return part;
    }
    return nullptr;
}

} // namespace

// Whole-body operations check their numbers once, before any mass moves,
// so that a refused call changes nothing.
int TAdvBody::Move(float dx, float dy) {
    if (!detail::AllFinite(dx, dy)) return -1;
    for (int i = 0; i < mIndex; ++i) MassMove(i, dx, dy);
    return 0;
}

int TAdvBody::Translate(float dx, float dy) {
    if (!detail::AllFinite(dx, dy)) return -1;
    for (int i = 0; i < mIndex; ++i) MassTranslate(i, dx, dy);
    return 0;
}

namespace {

// The mass-weighted means of what `of` gives for each mass: sums in double,
// so that a large body's many small terms are not lost. Unweighted where
// the masses weigh nothing in all.
template <class F> int MeanOver(const TIndexTable<TMass>& masses, float& x, float& y, F&& of) {
    double sx = 0, sy = 0, weight = 0, px = 0, py = 0;
    int n = 0;
    masses.ForEach([&](int, TMass* m) {
        float vx = 0, vy = 0;
        of(*m, vx, vy);
        sx += double{m->mass} * vx;
        sy += double{m->mass} * vy;
        weight += m->mass;
        px += vx;
        py += vy;
        ++n;
    });
    if (n == 0) return 0;
    if (weight > 0) {
        x = static_cast<float>(sx / weight);
        y = static_cast<float>(sy / weight);
    } else {
        x = static_cast<float>(px / n);
        y = static_cast<float>(py / n);
    }
    return n;
}

} // namespace

int TAdvBody::GetCenter(float& x, float& y) const {
    return MeanOver(masses, x, y, [](const TMass& m, float& px, float& py) {
        px = m.posX;
        py = m.posY;
    });
}

int TAdvBody::GetVelocity(float& vx, float& vy) const {
    return MeanOver(masses, vx, vy, [](const TMass& m, float& px, float& py) {
        px = m.posX - m.oldPosX;
        py = m.posY - m.oldPosY;
    });
}

int TAdvBody::IsAwake() const {
    for (int i = 0; i < masses.count; ++i) {
        if (const TMass* m = masses.Get(i); m && m->IsAwake()) return 1;
    }
    return 0;
}

float TAdvBody::GetX() const {
    const TMass* m = Reference(masses);
    return m ? m->posX : 0.0f;
}

float TAdvBody::GetY() const {
    const TMass* m = Reference(masses);
    return m ? m->posY : 0.0f;
}

int TAdvBody::GetPosition(float& x, float& y) const {
    if (const TMass* m = Reference(masses)) m->GetPosition(x, y);
    return 0;
}

// The reference mass lands on (x, y), the shape stays, every mass stops.
int TAdvBody::Position(float x, float y) {
    if (!detail::AllFinite(x, y)) return -1;
    const TMass* ref = Reference(masses);
    if (!ref) return 0;
    const float ax = ref->posX, ay = ref->posY;
    masses.ForEach([&](int j, TMass* m) {
        const float sumX = x + m->posX, sumY = y + m->posY;
        MassPosition(j, sumX - ax, sumY - ay);
    });
    return 0;
}

float TAdvBody::GetRotation() const {
    const TConstraint* c = Reference(cons);
    return c ? c->GetAngle() : 0.0f;
}

// Turns the body about its reference mass until the reference constraint
// points along `angle`; every mass stops.
int TAdvBody::Rotate(float angle) {
    if (!detail::AllFinite(angle)) return -1;
    float cx = 0, cy = 0;
    GetPosition(cx, cy);
    const float r0 = GetRotation();
    masses.ForEach([&](int, TMass* m) {
        const float dx = m->posX - cx, dy = m->posY - cy;
        const float d = std::sqrt(dx * dx + dy * dy);
        const float a = static_cast<float>(DegAtan2(dy, dx)) - r0;
        const double turned = double(a) + double(angle);
        m->Position(static_cast<float>(cx + DegCos(turned) * d),
                    static_cast<float>(cy + DegSin(turned) * d));
    });
    return 0;
}

template <int (TMass::*Apply)(float, float)> void TAdvBody::TurnMasses(float angle) {
    float cx = 0, cy = 0;
    GetPosition(cx, cy);
    masses.ForEach([&](int, TMass* m) {
        const float dx = m->posX - cx, dy = m->posY - cy;
        const float d = std::sqrt(dx * dx + dy * dy);
        const float b = static_cast<float>(DegAtan2(dy, dx)) + angle;
        (m->*Apply)(static_cast<float>(DegCos(b)) * d - dx, static_cast<float>(DegSin(b)) * d - dy);
    });
}

// The turn becomes velocity, so the body keeps turning; frozen masses stay.
int TAdvBody::Spin(float angle) {
    if (!detail::AllFinite(angle)) return -1;
    TurnMasses<&TMass::Move>(angle);
    return 0;
}

// Positions turn, velocities stay as they were, frozen masses turn too.
int TAdvBody::Turn(float angle) {
    if (!detail::AllFinite(angle)) return -1;
    TurnMasses<&TMass::Translate>(angle);
    return 0;
}

core::Ref<core::TList>
TAdvBody::CollectEvents(const std::function<void(TMass*, core::TList&)>& seek) const {
    core::Ref<core::TList> found = core::CreateList();
    masses.ForEach([&](int, TMass* m) { seek(m, *found); });
    if (found->IsEmpty()) return nullptr;
    return found;
}

namespace {

void AppendSought(core::TList& found, core::Object* a, core::Object* b) {
    if (core::Ref<TColEvent> e = TColEvent::Seek(a, b)) found.AddLast(e);
}

} // namespace

core::Ref<core::TList> TAdvBody::CollideAdvBody(const TAdvBody* other) const {
    if (!other) return nullptr;
    return CollectEvents([&](TMass* m, core::TList& found) {
        other->masses.ForEach([&](int, TMass* o) { AppendSought(found, m, o); });
    });
}

// A zone of none would ask for the bounds: it finds nothing instead.
core::Ref<core::TList> TAdvBody::CollideZone(TZoneBase* zone) const {
    if (!zone) return nullptr;
    return CollectEvents([&](TMass* m, core::TList& found) { AppendSought(found, m, zone); });
}

core::Ref<core::TList> TAdvBody::CollideBounds() const {
    return CollectEvents([](TMass* m, core::TList& found) { AppendSought(found, m, nullptr); });
}

} // namespace kel::tangle
