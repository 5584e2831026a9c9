// The sweeps that walk the grid's cells as lists, and the parts of a sweep
// that every variant shares: the bounds and the zones.

#include <cmath>
#include <cstdint>

#include "physics/contacts/collision_queue.h"
#include "physics/contacts/contact.h"
#include "physics/contacts/continuous.h"
#include "physics/grid/grid.h"
#include "physics/step/mass_step.h"
#include "physics/step/step.h"
#include "physics/contacts/zone_contact.h"
#include "physics/mass.h"
#include "physics/world.h"
#include "physics/zonebase.h"

namespace kel::tangle::detail {

namespace {

// The tangential velocity (pos - old along one axis) slows by f, or stops.
inline void WallFriction(float pos, float& old, float f) {
    float v = pos - old;
    if (f <= std::fabs(v))
        old += v > 0 ? f : (v < 0 ? -f : 0.0f);
    else
        old = pos;
}

// Tests m against every mass of a cell, in the list's order. A contact may
// run hooks, which may change the cell under the walk; the walk then goes
// on with the first mass of the cell it has not visited yet, which the
// worker's walk marks tell.
void WalkCellList(const TStepContext& step, TMass* m, TGridCell& cell) {
    // The marks matter only once hooks ran, so the walk writes them just
    // before a contact: the masses visited since the last contact (the chain
    // from `unmarked` up to the current one) get the walk's mark then.
    std::uint32_t mark = 0;
    TMass* unmarked = cell.First();
    // m changes only in a contact; its fields are read again after one.
    float mx = m->posX, my = m->posY, mr = m->radius, mg = m->colGroup;
    for (TMass* o = unmarked; o;) {
        TMass* next = o->gridlink.next;
        // The contact's own box test, done here without branching so that the
        // common miss costs no call; the group test only for what is near.
        // m itself, in its own cell, is passed over: a mass never meets itself.
        const float r = mr + o->radius;
        const int far =
            int{o == m} | int{std::fabs(o->posX - mx) > r} | int{std::fabs(o->posY - my) > r};
        if (far || !Collides(mg, o->colGroup)) {
            o = next;
            continue;
        }
        if (mark == 0) mark = step.worker->NextWalkMark();
        for (; unmarked != o; unmarked = unmarked->gridlink.next)
            StepStateOf(unmarked).walkMark = mark;
        StepStateOf(o).walkMark = mark;
        core::Ref<TMass> held(o); // a hook may drop the last other reference
        const bool contact = ResolveMasses(step, m, o);
        mx = m->posX, my = m->posY, mr = m->radius, mg = m->colGroup;
        if (!contact) {
            o = unmarked = o->gridlink.next;
            continue;
        }
        // Hooks ran: the cell may have changed under the walk.
        if (!m->InWorld()) return;
        if (o->gridlink.cell == &cell) {
            o = unmarked = o->gridlink.next;
            continue;
        }
        // The visited mass left the cell: go on with the first one not yet
        // visited, which keeps the cell's order.
        o = cell.First();
        while (o && StepStateOf(o).walkMark == mark) o = o->gridlink.next;
        unmarked = o;
    }
}

void CollideThroughGrid(const TStepContext& step, TMass* m) {
    TPhysics& w = *step.world;
    // A hook may have made another world current.
    const TCellPlace at = Rebin(m, step.world);
    TGrid& grid = *w.shiftgrid;
    // The mass's own cell, unless the world it was put in is another.
    const TGridCell* own = grid.Holds(m->gridlink.cell) ? m->gridlink.cell : grid.Find(at);
    if (!own) return; // no cell there, so none around it either
    bool gone = false;
    grid.EachAround(at, own->Id(), w.GridSpan(), [&](int id) {
        TGridCell& cell = grid.CellAt(id);
        if (gone || cell.IsEmpty()) return;
        WalkCellList(step, m, cell);
        gone = !m->InWorld();
    });
}

template <class Order>
void CollideLaterMasses(const TStepContext& step, const Order& order, TMass* m, std::size_t k) {
    for (std::size_t j = k + 1; j < order.size(); ++j) {
        TMass* o = order[j];
        if (!o->InWorld() || !Collides(m->colGroup, o->colGroup)) continue;
        ResolveMasses(step, m, o);
        if (!m->InWorld()) return;
    }
}

// One pass of bounds, zones and contacts over the masses in this order (the
// step's movers, or the same held), walking the cells' lists. A mass that a
// hook or a zone response took out of the world during the pass is no
// longer kept, collided or re-binned.
template <class Order> void SweepOverLists(const TStepContext& step, const Order& order) {
    TPhysics& w = *step.world;
    const std::vector<TMass*>& resting = step.lists.Resting();
    for (std::size_t k = 0; k < order.size(); ++k) {
        TMass* m = order[k];
        if (!m->InWorld()) continue;
        KeepInBounds(step, m);
        if (!m->InWorld()) continue;
        if (!m->frozen && !CollideZones(step, m, k)) continue;
        if (!m->InWorld()) continue;
        // Read for every mass: a hook may switch the grid during the pass.
        if (w.gridon)
            CollideThroughGrid(step, m);
        else
            CollideLaterMasses(step, order, m, k);
        for (TMass* o : resting) {
            if (!m->InWorld() || w.gridon) break;
            if (o->InWorld() && Collides(m->colGroup, o->colGroup)) ResolveMasses(step, m, o);
        }
    }
}

} // namespace

void SweepCellLists(const TStepContext& step) { SweepOverLists(step, step.lists.Movers()); }

void SweepHeldCellLists(const TStepContext& step, const std::vector<core::Ref<TMass>>& held) {
    SweepOverLists(step, held);
}

void TakeOutNonFinite(const TStepContext& step, TMass* m) {
    const TPhysics& w = *step.world;
    if (std::isfinite(m->oldPosX) && std::isfinite(m->oldPosY)) {
        m->posX = m->oldPosX;
        m->posY = m->oldPosY;
    } else if (std::isfinite(m->posX) && std::isfinite(m->posY)) {
        m->oldPosX = m->posX;
        m->oldPosY = m->posY;
    } else {
        m->posX = m->oldPosX = (w.boundsMinX + w.boundsMaxX) * 0.5f;
        m->posY = m->oldPosY = (w.boundsMinY + w.boundsMaxY) * 0.5f;
    }
    m->frozen = 1;
    if (step.nonFinite) step.nonFinite->fetch_add(1, std::memory_order_relaxed);
}

void KeepInBounds(const TStepContext& step, TMass* m) {
    TPhysics& w = *step.world;
    // Not a number fails every test, and so comes to the slow way.
    if (m->posX >= w.boundsMinX + m->radius && m->posX <= w.boundsMaxX - m->radius &&
        m->posY >= w.boundsMinY + m->radius && m->posY <= w.boundsMaxY - m->radius)
        return;
    if (!std::isfinite(m->posX) || !std::isfinite(m->posY)) {
        TakeOutNonFinite(step, m);
        return;
    }
    auto report = [&](float x, float y, float depth) {
        ReportContact(step, {TColEvent::MASS_BOUNDS, m, &w, x, y, depth});
    };
    if (!(m->posX >= w.boundsMinX + m->radius)) {
        float d = (w.boundsMinX + m->radius) - m->posX;
        m->posX = w.boundsMinX + m->radius;
        report(w.boundsMinX, m->posY, d);
        WallFriction(m->posY, m->oldPosY, d * (m->friction + w.friction) * 0.5f);
    } else if (!(m->posX <= w.boundsMaxX - m->radius)) {
        float d = m->posX - (w.boundsMaxX - m->radius);
        m->posX = w.boundsMaxX - m->radius;
        report(w.boundsMaxX, m->posY, d);
        WallFriction(m->posY, m->oldPosY, d * (m->friction + w.friction) * 0.5f);
    }
    if (!(m->posY >= w.boundsMinY + m->radius)) {
        float d = (w.boundsMinY + m->radius) - m->posY;
        m->posY = w.boundsMinY + m->radius;
        report(m->posX, w.boundsMinY, d);
        WallFriction(m->posX, m->oldPosX, d * (m->friction + w.friction) * 0.5f);
    } else if (!(m->posY <= w.boundsMaxY - m->radius)) {
        float d = m->posY - (w.boundsMaxY - m->radius);
        m->posY = w.boundsMaxY - m->radius;
        report(m->posX, w.boundsMaxY, d);
        WallFriction(m->posX, m->oldPosX, d * (m->friction + w.friction) * 0.5f);
    }
}

bool CollideZones(const TStepContext& step, TMass* m, std::size_t k) {
    TNearZones near;
    if (step.continuous && !step.continuous->Sweep(step, m, k, near)) return false;
    if (core::TList* list = step.world->Zones(); list && !list->IsEmpty()) {
        const core::Ref<core::TList> zones(list); // a hook may free the world
        for (TZoneBase* z : zones->Each<TZoneBase>()) {
            if (!m->InWorld()) return false;
            if (Collides(m->colGroup, static_cast<float>(z->colGroup)) && near.MayTouch(z))
                TZoneAccess::Collide(step, z, m);
        }
    }
    if (!m->InWorld()) return false;
    if (step.continuous) step.continuous->Passed(k, m);
    return true;
}

void CollideZonesQuietly(const TStepContext& step, TMass* m, std::size_t k) {
    TNearZones near;
    if (step.continuous) step.continuous->Sweep(step, m, k, near);
    if (near.Known()) {
        // Nothing outside the library runs in a quiet pass: the zones the
        // sweep found near are still there.
        for (TZoneBase* z : near) TZoneAccess::Collide(step, z, m);
    } else if (const core::TList* zones = step.world->Zones()) {
        for (const core::TLink* l = zones->FirstLink(); l; l = l->NextLink()) {
            TZoneBase* z = core::As<TZoneBase>(l->Value());
            if (z && Collides(m->colGroup, static_cast<float>(z->colGroup)))
                TZoneAccess::Collide(step, z, m);
        }
    }
    if (step.continuous) step.continuous->Passed(k, m);
}

} // namespace kel::tangle::detail
