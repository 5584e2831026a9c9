// Masses, constraints and zones: made, read, changed and removed by handle.

#include <exception>

#include "js/binding/binding.h"
#include "js/binding/c_api.h"
#include "js/binding/codes.h"
#include "js/binding/exports.h"

using namespace js_binding;

namespace {

// The masses named by the first `count` handles of the input buffer, all
// known to the world; false (with the reason) when one is not.
bool MassesFromInput(TJsWorld& w, int count, std::vector<TMass*>& masses) {
    const std::vector<double>& in = Input();
    if (count < 0 || in.size() < static_cast<std::size_t>(count)) {
        Refuse(0, "the masses were not passed");
        return false;
    }
    masses.clear();
    for (int k = 0; k < count; ++k) {
        TMass* m = w.masses.Find(in[static_cast<std::size_t>(k)]);
        if (!m) {
            Refuse(0, "a mass is not of this world");
            return false;
        }
        masses.push_back(m);
    }
    return true;
}

// A constraint just made: the material's compliance when asked for, held by
// the world's own body, handed out.
double Enter(TJsWorld& w, core::Ref<TConstraint> c, double compliance, double damping) {
    if (!c) return Refuse(0, "the constraint cannot be made of these masses and numbers");
    if (compliance >= 0 &&
        c->SetCompliance(static_cast<float>(compliance), static_cast<float>(damping)) != 0)
        return Refuse(0, "the compliance is not finite");
    c->Assign(w.own);
    w.structureChanged = true;
    return w.constraints.Hold(c);
}

template <class F> double Guard(F&& f) {
    try {
        return f();
    } catch (const std::exception& e) {
        return Refuse(0, e.what());
    }
}

} // namespace

extern "C" {

// Masses.

TG_EXPORT double tg_mass_create(double world, double x, double y, double mass, double radius,
                                double friction, int group) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    return Guard([&] {
        core::Ref<TMass> m =
            TMass::Create(static_cast<float>(x), static_cast<float>(y), static_cast<float>(mass),
                          static_cast<float>(radius), static_cast<float>(friction), group);
        if (!m) return static_cast<double>(Refuse(0, "a number of the mass is not finite"));
        // The world holds a mass added alone, as a constraint would.
        m->AddRef();
        ++w->alone[m.Get()];
        w->structureChanged = true;
        return w->masses.Hold(m);
    });
}

TG_EXPORT double tg_mass_get(double world, double mass, int what) {
    TJsWorld* w = WorldOf(world);
    const TMass* m = w ? w->masses.Find(mass) : nullptr;
    if (!m) return 0;
    switch (what) {
    case kMassX: return m->posX;
    case kMassY: return m->posY;
    case kMassVX: return m->GetVX();
    case kMassVY: return m->GetVY();
    case kMassMass: return m->mass;
    case kMassRadius: return m->radius;
    case kMassFriction: return m->friction;
    case kMassGroup: return m->GetColGroup();
    case kMassFrozen: return m->IsFrozen();
    case kMassBullet: return m->IsBullet();
    case kMassAwake: return m->IsAwake();
    case kMassInWorld: return m->InWorld() ? 1 : 0;
    default: return 0;
    }
}

TG_EXPORT int tg_mass_set(double world, double mass, int what, double a, double b) {
    TJsWorld* w = WorldOf(world);
    TMass* m = w ? w->masses.Find(mass) : nullptr;
    if (!m) return Refuse(-1, "no such mass in this world");
    const float fa = static_cast<float>(a), fb = static_cast<float>(b);
    int result = -1;
    switch (what) {
    case kMassMoveTo: result = m->Position(fa, fb); break;
    case kMassSetVelocity: result = m->SetVelocity(fa, fb); break;
    case kMassPush: result = m->Move(fa, fb); break;
    case kMassTranslate: result = m->Translate(fa, fb); break;
    case kMassSetMass: result = m->SetMass(fa); break;
    case kMassSetRadius: result = m->SetRadius(fa); break;
    case kMassSetFriction: result = m->SetFriction(fa); break;
    case kMassSetGroup: result = m->SetColGroup(static_cast<int>(a)); break;
    case kMassSetFrozen: result = a != 0 ? m->Freeze() : m->Thaw(); break;
    case kMassSetBullet: result = m->SetBullet(a != 0 ? 1 : 0); break;
    case kMassAddVelocity: result = m->AddVelocity(fa, fb); break;
    default: return Refuse(-1, "no such property");
    }
    return result == 0 ? 0 : Refuse(-1, "the mass refused the value");
}

// Constraints, each assigned to the world's own body.

TG_EXPORT double tg_link(double world, double m1, double m2, double restLength, double stiffness,
                         double compliance, double damping) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    TMass* a = w->masses.Find(m1);
    TMass* b = w->masses.Find(m2);
    if (!a || !b) return Refuse(0, "a mass is not of this world");
    return Guard([&] {
        return Enter(*w,
                     TConstraint::Create(a, b, static_cast<float>(restLength),
                                         static_cast<float>(stiffness)),
                     compliance, damping);
    });
}

// A constraint over the first `count` masses of the input buffer (TRingKind):
// pressure (a = rest area, b = stiffness), shape (b = stiffness) or skin
// (a = closed).
TG_EXPORT double tg_ring(double world, int kind, int count, double a, double b, double compliance,
                         double damping) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    std::vector<TMass*> ring;
    if (!MassesFromInput(*w, count, ring)) return 0;
    return Guard([&] {
        switch (kind) {
        case kRingPressure:
            return Enter(*w,
                         TConstraint::CreatePressure(ring, static_cast<float>(a),
                                                     static_cast<float>(b)),
                         compliance, damping);
        case kRingShape:
            return Enter(*w, TConstraint::CreateShape(ring, static_cast<float>(b)), compliance,
                         damping);
        case kRingSkin: return Enter(*w, TConstraint::CreateSkin(ring, a != 0), -1, 0);
        default: return static_cast<double>(Refuse(0, "no such constraint"));
        }
    });
}

TG_EXPORT double tg_angle(double world, double first, double middle, double last,
                          double restAngle, double stiffness, double lower, double upper) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    TMass* a = w->masses.Find(first);
    TMass* b = w->masses.Find(middle);
    TMass* c = w->masses.Find(last);
    if (!a || !b || !c) return Refuse(0, "a mass is not of this world");
    return Guard([&] {
        core::Ref<TConstraint> k = TConstraint::CreateAngle(
            a, b, c, static_cast<float>(restAngle), static_cast<float>(stiffness));
        if (k && (lower != 0 || upper != 360) &&
            k->SetAngleLimits(static_cast<float>(lower), static_cast<float>(upper)) != 0)
            return static_cast<double>(Refuse(0, "the angle's limits are out of order or range"));
        return Enter(*w, k, -1, 0);
    });
}

TG_EXPORT double tg_con_get(double world, double constraint, int what) {
    TJsWorld* w = WorldOf(world);
    const TConstraint* c = w ? w->constraints.Find(constraint) : nullptr;
    if (!c) return 0;
    float lower = 0, upper = 360;
    switch (what) {
    case kConKind: return c->GetKind();
    case kConRestLength: return c->restLength;
    case kConStiffness: return c->stiffness;
    case kConCompliance: return c->GetCompliance();
    case kConDamping: return c->GetDampingRatio();
    case kConLength: return c->GetLength();
    case kConStress: return c->GetStress();
    case kConInWorld: return c->link != nullptr ? 1 : 0;
    case kConLowerLimit: c->GetAngleLimits(lower, upper); return lower;
    case kConUpperLimit: c->GetAngleLimits(lower, upper); return upper;
    default: return 0;
    }
}

TG_EXPORT int tg_con_set(double world, double constraint, int what, double a, double b) {
    TJsWorld* w = WorldOf(world);
    TConstraint* c = w ? w->constraints.Find(constraint) : nullptr;
    if (!c) return Refuse(-1, "no such constraint in this world");
    const float fa = static_cast<float>(a), fb = static_cast<float>(b);
    int result = -1;
    switch (what) {
    case kConSetRestLength: result = c->SetRestLength(fa); break;
    case kConSetStiffness: result = c->SetStiffness(fa); break;
    case kConSetCompliance: result = c->SetCompliance(fa, fb); break;
    case kConSetLimits: result = c->SetAngleLimits(fa, fb); break;
    default: return Refuse(-1, "no such property");
    }
    return result == 0 ? 0 : Refuse(-1, "the constraint refused the value");
}

// The masses a constraint acts on, to the result buffer; their count.
TG_EXPORT int tg_con_masses(double world, double constraint) {
    TJsWorld* w = WorldOf(world);
    const TConstraint* c = w ? w->constraints.Find(constraint) : nullptr;
    if (!c) return Refuse(-1, "no such constraint in this world");
    w->out.clear();
    c->ForEachMass([&](TMass* m) { w->out.push_back(w->masses.Hold(m)); });
    return static_cast<int>(w->out.size());
}

// Zones: the outline's x, y pairs are the first 2 * `points` numbers of the
// input buffer.
TG_EXPORT double tg_zone_create(double world, int points, int style, double friction, int group,
                                int quadTreeLevel) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    const std::vector<double>& in = Input();
    if (points < 2 || in.size() < 2 * static_cast<std::size_t>(points))
        return Refuse(0, "a zone needs two points or more");
    if (style < TZone::LINE || style > TZone::HOLE) return Refuse(0, "no such zone style");
    std::vector<float> area(in.begin(), in.begin() + 2 * points);
    return Guard([&] {
        core::Ref<TZone> z =
            TZone::Create(std::move(area), style, static_cast<float>(friction), group, quadTreeLevel);
        if (!z) return static_cast<double>(Refuse(0, "a number of the zone is not finite"));
        return w->zones.Hold(z);
    });
}

TG_EXPORT double tg_zone_get(double world, double zone, int what) {
    TJsWorld* w = WorldOf(world);
    const TZone* z = w ? w->zones.Find(zone) : nullptr;
    if (!z) return 0;
    switch (what) {
    case kZoneStyle: return z->style;
    case kZoneFriction: return z->friction;
    case kZoneX: return z->offsetX;
    case kZoneY: return z->offsetY;
    case kZoneAngle: return z->angle;
    case kZoneScaleX: return z->scaleX;
    case kZoneScaleY: return z->scaleY;
    case kZoneGroup: return z->colGroup;
    case kZoneVertices: return z->VertCount();
    case kZoneInWorld: return z->link != nullptr ? 1 : 0;
    default: return 0;
    }
}

TG_EXPORT int tg_zone_set(double world, double zone, int what, double a, double b) {
    TJsWorld* w = WorldOf(world);
    TZone* z = w ? w->zones.Find(zone) : nullptr;
    if (!z || !z->link) return Refuse(-1, "no such zone in this world");
    const float fa = static_cast<float>(a), fb = static_cast<float>(b);
    int result = -1;
    try {
        switch (what) {
        case kZoneMoveTo: result = z->Position(fa, fb); break;
        case kZoneRotate: result = z->Rotate(fa); break;
        case kZoneScale: result = z->SetScale(fa, fb); break;
        case kZoneSetFriction: result = z->SetFriction(fa); break;
        case kZoneSetGroup: result = z->SetColGroup(static_cast<int>(a)); break;
        case kZoneSetStyle:
            result = a >= TZone::LINE && a <= TZone::HOLE ? z->SetStyle(static_cast<int>(a)) : -1;
            break;
        default: return Refuse(-1, "no such property");
        }
    } catch (const std::exception& e) {
        return Refuse(-1, e.what());
    }
    return result == 0 ? 0 : Refuse(-1, "the zone refused the value");
}

// The zone's outline, untransformed x, y pairs, to the result buffer; its
// count of points.
TG_EXPORT int tg_zone_points(double world, double zone) {
    TJsWorld* w = WorldOf(world);
    const TZone* z = w ? w->zones.Find(zone) : nullptr;
    if (!z) return Refuse(-1, "no such zone in this world");
    w->out.assign(z->origArea.begin(), z->origArea.end());
    return z->VertCount();
}

// Removing (TThingKind): a mass added alone (with the world's own
// constraints on it), a constraint made alone, a zone, a body or a snapshot.
// The handle is dropped; what else refers to the object keeps it.
TG_EXPORT int tg_remove(double world, int kind, double handle) {
    TJsWorld* w = WorldOf(world);
    if (!w) return Refuse(-1, "no world");
    try {
        switch (kind) {
        case kKindMass: {
            TMass* m = w->masses.Find(handle);
            const auto alone = m ? w->alone.find(m) : w->alone.end();
            if (alone == w->alone.end()) return Refuse(-1, "not a mass added alone to this world");
            core::Ref<TMass> keep(m);
            // The world's own constraints on the mass go with it.
            std::vector<TConstraint*> on;
            for (TConstraint* c : w->own->conList->Each<TConstraint>())
                if (c->Holds(m)) on.push_back(c);
            for (TConstraint* c : on) c->Free(w->own);
            for (int k = 0; k < alone->second; ++k) m->SubRef();
            w->alone.erase(alone);
            w->masses.Drop(m);
            break;
        }
        case kKindConstraint: {
            TConstraint* c = w->constraints.Find(handle);
            if (!c) return Refuse(-1, "no such constraint in this world");
            core::Ref<TConstraint> keep(c);
            c->Free(w->own);
            w->constraints.Drop(c);
            break;
        }
        case kKindZone: {
            TZone* z = w->zones.Find(handle);
            if (!z) return Refuse(-1, "no such zone in this world");
            z->Free();
            w->zones.Drop(z);
            break;
        }
        case kKindBody: {
            TAdvBody* b = w->bodies.Find(handle);
            if (!b) return Refuse(-1, "no such body in this world");
            b->DeActivate();
            w->bodies.Drop(b);
            break;
        }
        case kKindSnapshot: {
            TWorldSnapshot* s = w->snapshots.Find(handle);
            if (!s) return Refuse(-1, "no such snapshot of this world");
            w->snapshots.Drop(s);
            break;
        }
        default: return Refuse(-1, "nothing of that kind");
        }
    } catch (const std::exception& e) {
        return Refuse(-1, e.what());
    }
    w->structureChanged = true;
    return 0;
}

} // extern "C"
