// What a renderer reads each frame, in arrays that JavaScript views in
// place: the masses' positions (x, y pairs) and radii in the world's order,
// and the pairs of masses (indices into those arrays) that each constraint
// draws as lines. The positions are copied out of the masses when asked;
// the radii and pairs are rebuilt only when the world's lists changed.

#include "js/binding/binding.h"
#include "js/binding/c_api.h"
#include "js/binding/codes.h"
#include "js/binding/exports.h"

using namespace js_binding;

namespace {

void Pair(TJsWorld& w, const TMass* a, const TMass* b) {
    const auto ia = w.drawSlot.find(a), ib = w.drawSlot.find(b);
    if (ia == w.drawSlot.end() || ib == w.drawSlot.end()) return; // not in the world
    w.pairs.push_back(ia->second);
    w.pairs.push_back(ib->second);
}

// The lines of a constraint: a distance its two masses; a ring (pressure,
// closed skin) its edges round; an open skin its edges along; an angle its
// two arms; a shape none (its masses have links of their own to draw).
void PairsOf(TJsWorld& w, const TConstraint& c) {
    const int n = c.GetRingSize();
    switch (c.GetKind()) {
    case TConstraint::DISTANCE: Pair(w, c.GetMass1(), c.GetMass2()); break;
    case TConstraint::PRESSURE:
    case TConstraint::SKIN: {
        const bool closed = c.GetKind() == TConstraint::PRESSURE || c.IsClosed();
        for (int k = 0; k + 1 < n; ++k) Pair(w, c.GetRingMass(k), c.GetRingMass(k + 1));
        if (closed && n > 2) Pair(w, c.GetRingMass(n - 1), c.GetRingMass(0));
        break;
    }
    case TConstraint::ANGLE:
        Pair(w, c.GetRingMass(0), c.GetRingMass(1));
        Pair(w, c.GetRingMass(1), c.GetRingMass(2));
        break;
    case TConstraint::SHAPE: break;
    }
}

void Rebuild(TJsWorld& w) {
    w.drawSlot.clear();
    w.radii.clear();
    w.drawn.clear();
    std::uint32_t slot = 0;
    if (massList) {
        for (TMass* m : massList->Each<TMass>()) {
            w.drawSlot.emplace(m, slot++);
            w.radii.push_back(m->radius);
            w.drawn.push_back(m);
        }
        w.massVersion = massList->Version();
    }
    w.pairs.clear();
    if (constraintList)
        for (const TConstraint* c : constraintList->Each<TConstraint>()) PairsOf(w, *c);
    if (constraintList) w.constraintVersion = constraintList->Version();
    w.structureChanged = false;
}

} // namespace

extern "C" {

// Refreshes the positions (and, after a change of parts, the radii and
// pairs); the count of masses.
TG_EXPORT int tg_draw_refresh(double world) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    if (w->structureChanged || !massList || !constraintList ||
        massList->Version() != w->massVersion || constraintList->Version() != w->constraintVersion)
        Rebuild(*w);
    const int count = static_cast<int>(w->drawn.size());
    w->positions.resize(2 * static_cast<std::size_t>(count));
    float* p = w->positions.data();
    for (const TMass* m : w->drawn) {
        *p++ = m->posX;
        *p++ = m->posY;
    }
    return count;
}

// One of the views (TDrawView).
TG_EXPORT const void* tg_draw_view(double world, int which) {
    TJsWorld* w = WorldOf(world);
    if (!w) return nullptr;
    switch (which) {
    case kViewPositions: return w->positions.data();
    case kViewRadii: return w->radii.data();
    default: return w->pairs.data();
    }
}

TG_EXPORT int tg_draw_pair_count(double world) {
    TJsWorld* w = WorldOf(world);
    return w ? static_cast<int>(w->pairs.size() / 2) : 0;
}

// The mass drawn at `slot` of the last refresh, handed out; 0 for none.
TG_EXPORT double tg_draw_mass(double world, int slot) {
    TJsWorld* w = WorldOf(world);
    if (!w || slot < 0 || static_cast<std::size_t>(slot) >= w->drawn.size()) return 0;
    return w->masses.Hold(w->drawn[static_cast<std::size_t>(slot)]);
}

} // extern "C"
