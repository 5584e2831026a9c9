// Queries, and the contacts that began or ended in the last step: answers
// go to the world's result buffer, each thing as its kind (1 a mass, 2 a
// zone, 3 the bounds) and its handle.

#include "js/binding/binding.h"
#include "js/binding/c_api.h"
#include "js/binding/codes.h"
#include "js/binding/exports.h"

using namespace js_binding;

namespace {

constexpr std::size_t kHitFields = 8;

// flags: 1 masses, 2 zones, 4 only what a mass of `group` collides with.
TQueryFilter FilterOf(int flags, int group) {
    TQueryFilter f;
    f.masses = (flags & 1) != 0;
    f.zones = (flags & 2) != 0;
    f.byGroup = (flags & 4) != 0;
    f.group = group;
    return f;
}

void PutHit(TJsWorld& w, const TRayHit& hit) {
    const double fields[kHitFields] = {
        static_cast<double>(hit.mass ? kFoundMass : kFoundZone),
        hit.mass ? w.masses.Hold(hit.mass) : w.zones.Hold(static_cast<TZone*>(hit.zone)),
        static_cast<double>(hit.edge),
        hit.x, hit.y, hit.normalX, hit.normalY, hit.fraction};
    w.out.insert(w.out.end(), fields, fields + kHitFields);
}

bool PutThing(TJsWorld& w, TMass* mass, TZone* zone) {
    w.out.push_back(mass ? kFoundMass : kFoundZone);
    w.out.push_back(mass ? w.masses.Hold(mass) : w.zones.Hold(zone));
    return true;
}

} // namespace

extern "C" {

// The first hit (1) or none (0); with `all`, every hit in order (their count).
TG_EXPORT int tg_raycast(double world, double x1, double y1, double x2, double y2, int flags,
                         int group, int all) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    w->out.clear();
    const float a = static_cast<float>(x1), b = static_cast<float>(y1);
    const float c = static_cast<float>(x2), d = static_cast<float>(y2);
    if (all) {
        return TPhysics::RayCastAll(a, b, c, d, [&](const TRayHit& hit) {
            PutHit(*w, hit);
            return true;
        }, FilterOf(flags, group));
    }
    TRayHit hit;
    if (!TPhysics::RayCast(a, b, c, d, hit, FilterOf(flags, group))) return 0;
    PutHit(*w, hit);
    return 1;
}

// What overlaps the box (point 0) or holds the point (point 1): the count.
TG_EXPORT int tg_query(double world, int point, double x1, double y1, double x2, double y2,
                       int flags, int group) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    w->out.clear();
    const auto put = [&](TMass* mass, TZone* zone) { return PutThing(*w, mass, zone); };
    if (point)
        return TPhysics::QueryPoint(static_cast<float>(x1), static_cast<float>(y1), put,
                                    FilterOf(flags, group));
    return TPhysics::QueryBox(static_cast<float>(x1), static_cast<float>(y1),
                              static_cast<float>(x2), static_cast<float>(y2), put,
                              FilterOf(flags, group));
}

// The nearest mass within reach (1, its handle and edge distance in the
// result buffer) or none (0).
TG_EXPORT int tg_nearest(double world, double x, double y, double reach, int flags, int group) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    float distance = 0;
    TMass* m = TPhysics::NearestMass(static_cast<float>(x), static_cast<float>(y),
                                     static_cast<float>(reach), distance, FilterOf(flags, group));
    w->out.clear();
    if (!m) return 0;
    w->out.push_back(w->masses.Hold(m));
    w->out.push_back(distance);
    return 1;
}

// The pairs that began (ends 0) or ended (ends 1) touching in the last step:
// the kind of the other (TFound), the mass, the other (0 for the bounds), x, y. Their
// count.
TG_EXPORT int tg_contacts(double world, int ends) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    const std::vector<TContactChange>& changes =
        ends ? TPhysics::ContactEnds() : TPhysics::ContactBegins();
    w->out.clear();
    for (const TContactChange& c : changes) {
        TMass* other = c.GetMass2();
        auto* zone = core::As<TZone>(c.other.Get());
        w->out.push_back(other ? kFoundMass : (zone ? kFoundZone : kFoundBounds));
        w->out.push_back(w->masses.Hold(c.mass));
        w->out.push_back(other ? w->masses.Hold(other) : (zone ? w->zones.Hold(zone) : 0));
        w->out.push_back(c.x);
        w->out.push_back(c.y);
    }
    return static_cast<int>(changes.size());
}

} // extern "C"
