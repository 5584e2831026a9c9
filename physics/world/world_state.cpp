#include "physics/world/world_state.h"

#include <unordered_set>

#include "physics/colevent.h"
#include "physics/grid/grid.h"
#include "physics/step/mass_step.h"
#include "physics/step/step.h"
#include "physics/zones/zone_fields.h"
#include "physics/world.h"

namespace kel::tangle::detail {

void TMassState::Take(TMass* m) {
    mass = m;
    posX = m->posX;
    posY = m->posY;
    oldPosX = m->oldPosX;
    oldPosY = m->oldPosY;
    radius = m->radius;
    colGroup = m->colGroup;
    weight = m->mass;
    friction = m->friction;
    frozen = m->frozen;
    bullet = m->bullet;
    gridx = m->gridx;
    gridy = m->gridy;
    refCounter = m->refCounter;
    index = m->index;
    const TMassStepState& step = StepStateOf(m);
    sleepIsland = step.sleepIsland;
    stillSteps = step.stillSteps;
    stepSlot = step.stepSlot;
    name = m->name;
}

void TMassState::Apply() const {
    TMass* m = mass.Get();
    m->posX = posX;
    m->posY = posY;
    m->oldPosX = oldPosX;
    m->oldPosY = oldPosY;
    m->radius = radius;
    m->colGroup = colGroup;
    m->mass = weight;
    m->friction = friction;
    m->frozen = frozen;
    m->bullet = bullet;
    m->gridx = gridx;
    m->gridy = gridy;
    m->refCounter = refCounter;
    m->index = index;
    TMassStepState& step = StepStateOf(m);
    step.sleepIsland = sleepIsland;
    step.stillSteps = stillSteps;
    step.stepSlot = stepSlot;
    if (m->name != name) m->name = name;
}

void TConstraintState::Take(TConstraint* c) {
    constraint = c;
    m[0] = c->m[0];
    m[1] = c->m[1];
    restLength = c->restLength;
    stiffness = c->stiffness;
    refCounter = c->refCounter;
    index = c->index;
    kind = c->kind_;
    ring = c->ring_;
    params = c->params_;
    compliance = c->compliance_;
    damping = c->damping_;
    lambda = c->lambda_;
    winding = c->winding_;
    name = c->name;
}

void TConstraintState::Apply() const {
    TConstraint* c = constraint.Get();
    c->m[0] = m[0];
    c->m[1] = m[1];
    c->restLength = restLength;
    c->stiffness = stiffness;
    c->refCounter = refCounter;
    c->index = index;
    c->kind_ = kind;
    if (c->ring_ != ring) c->ring_ = ring;
    if (c->params_ != params) c->params_ = params;
    c->compliance_ = compliance;
    c->damping_ = damping;
    c->lambda_ = lambda;
    c->winding_ = winding;
    if (c->name != name) c->name = name;
}

void TZoneState::Take(TZoneBase* z) {
    base = z;
    colGroup = z->colGroup;
    zone = core::As<TZone>(z);
    if (zone) CopyZoneFields(*zone, *this);
}

void TZoneState::Apply() const {
    base->colGroup = colGroup;
    if (zone) CopyZoneFields(*this, *zone);
}

void TRigState::Take(TRig* r) {
    rig = r;
    name = r->name;
    image = r->image;
    mass = r->mass;
    con = r->con;
    angle = r->angle;
    scaleX = r->scaleX;
    scaleY = r->scaleY;
    red = r->red;
    green = r->green;
    blue = r->blue;
    alpha = r->alpha;
    blend = r->blend;
}

void TRigState::Apply() const {
    TRig* r = rig.Get();
    if (r->name != name) r->name = name;
    r->image = image;
    r->mass = mass;
    r->con = con;
    r->angle = angle;
    r->scaleX = scaleX;
    r->scaleY = scaleY;
    r->red = red;
    r->green = green;
    r->blue = blue;
    r->alpha = alpha;
    r->blend = blend;
}

namespace {

template <class T> void TakeTable(TBodyState::Table<T>& into, const TIndexTable<T>& table) {
    into.count = table.count;
    into.slots.assign(table.slots.begin(), table.slots.begin() + table.count);
}

template <class T> void ApplyTable(const TBodyState::Table<T>& from, TIndexTable<T>& table) {
    table.count = from.count;
    if (table.slots.size() < from.slots.size()) table.slots.resize(from.slots.size());
    std::size_t k = 0;
    for (; k < from.slots.size(); ++k) table.slots[k] = from.slots[k];
    for (; k < table.slots.size(); ++k) table.slots[k] = nullptr;
}

// Whether the list holds exactly these values in this order.
bool ListHolds(const core::TList& list, const std::vector<core::Ref<core::Object>>& values) {
    std::size_t k = 0;
    for (core::TLink* l = list.FirstLink(); l; l = l->NextLink(), ++k) {
        if (k == values.size() || l->Value() != values[k].Get()) return false;
    }
    return k == values.size();
}

void TakeList(const core::TList* list, std::vector<core::Ref<core::Object>>& into) {
    into.clear();
    if (!list) return;
    for (core::TLink* l = list->FirstLink(); l; l = l->NextLink()) into.emplace_back(l->Value());
}

// The world-list link field of a value of a known class, or null.
core::TLink** LinkField(core::Object* o) {
    if (TMass::IsKind(o)) return &static_cast<TMass*>(o)->link;
    if (TConstraint::IsKind(o)) return &static_cast<TConstraint*>(o)->link;
    if (TZoneBase::IsKind(o)) return &static_cast<TZoneBase*>(o)->link;
    return nullptr;
}

// Puts the list's values back as the record has them. What is in the list
// but not in the record leaves the world: out of the list and, for masses
// and constraints, held by nothing as far as the world is concerned.
void RestoreList(core::TList& list, const std::vector<core::Ref<core::Object>>& values) {
    if (ListHolds(list, values)) return;
    std::unordered_set<const core::Object*> kept;
    for (const auto& v : values) kept.insert(v.Get());
    // Held until the list is rebuilt, so that nothing dies half way.
    const std::vector<core::Ref<core::Object>> before = list.ToArray();
    for (const auto& v : before) {
        core::Object* o = v.Get();
        if (core::TLink** link = LinkField(o)) *link = nullptr;
        if (kept.count(o)) continue;
        if (TMass::IsKind(o)) {
            auto* m = static_cast<TMass*>(o);
            TGrid::TakeOut(m);
            m->refCounter = 0;
            StepStateOf(m).sleepIsland = -1;
            StepStateOf(m).stillSteps = 0;
        } else if (TConstraint::IsKind(o)) {
            static_cast<TConstraint*>(o)->refCounter = 0;
        }
    }
    list.Clear();
    for (const auto& v : values) {
        core::Ref<core::TLink> link = list.AddLast(v.Get());
        if (core::TLink** field = LinkField(v.Get())) *field = link.Get();
    }
}

} // namespace

void TBodyState::Take(TBody* b) {
    body = b;
    adv = core::As<TAdvBody>(b);
    name = b->name;
    TakeList(b->conList.Get(), conList);
    if (!adv) return;
    TakeTable(masses, adv->masses);
    TakeTable(cons, adv->cons);
    TakeTable(images, adv->images);
    TakeTable(rigs, adv->rigs);
}

void TBodyState::Apply() const {
    if (body->name != name) body->name = name;
    if (!ListHolds(*body->conList, conList)) {
        body->conList->Clear();
        for (const auto& c : conList) body->conList->AddLast(c.Get());
    }
    if (!adv) return;
    ApplyTable(masses, adv->masses);
    ApplyTable(cons, adv->cons);
    ApplyTable(images, adv->images);
    ApplyTable(rigs, adv->rigs);
}

void TSettingsState::Take(const TPhysics& w) {
#define KEL_TANGLE_TAKE_SETTING(type, name, fallback, since, finite, get, set) name = get;
    KEL_TANGLE_WORLD_SETTINGS(KEL_TANGLE_TAKE_SETTING)
#undef KEL_TANGLE_TAKE_SETTING
}

void TSettingsState::Apply(TPhysics& w) const {
#define KEL_TANGLE_APPLY_SETTING(type, name, fallback, since, finite, get, set) \
    {                                                                           \
        const type v = name;                                                    \
        set;                                                                    \
    }
    KEL_TANGLE_WORLD_SETTINGS(KEL_TANGLE_APPLY_SETTING)
#undef KEL_TANGLE_APPLY_SETTING
}

bool TWorldState::Capture(TPhysics& w, const std::vector<TBody*>& bodyList) {
    if (TStepAccess::Of(w).Stepping()) return false;
    settings.Take(w);
    TakeList(w.Masses(), massList);
    TakeList(w.Constraints(), constraintList);
    TakeList(w.Zones(), zoneList);

    masses.clear();
    constraints.clear();
    zones.clear();
    rigs.clear();
    bodies.clear();
    masses.reserve(massList.size());
    for (const auto& o : massList) {
        if (TMass::IsKind(o.Get())) masses.emplace_back().Take(static_cast<TMass*>(o.Get()));
    }
    constraints.reserve(constraintList.size());
    for (const auto& o : constraintList) {
        if (TConstraint::IsKind(o.Get()))
            constraints.emplace_back().Take(static_cast<TConstraint*>(o.Get()));
    }
    for (const auto& o : zoneList) {
        if (TZoneBase::IsKind(o.Get())) zones.emplace_back().Take(static_cast<TZoneBase*>(o.Get()));
    }

    // What the lists do not hold but something recorded names: masses and
    // constraints out of the world, in a body's tables or a rig.
    std::unordered_set<const void*> seen;
    auto includeMass = [&](TMass* m) {
        if (m && !m->link && seen.insert(m).second) masses.emplace_back().Take(m);
    };
    auto includeConstraint = [&](TConstraint* c) {
        if (!c || c->link || !seen.insert(c).second) return;
        constraints.emplace_back().Take(c);
        c->ForEachMass(includeMass);
    };
    for (TBody* b : bodyList) {
        if (!b || !seen.insert(b).second) continue;
        TBodyState& state = bodies.emplace_back();
        state.Take(b);
        for (const auto& o : state.conList) includeConstraint(core::As<TConstraint>(o.Get()));
        if (!state.adv) continue;
        for (const auto& m : state.masses.slots) includeMass(m.Get());
        for (const auto& c : state.cons.slots) includeConstraint(c.Get());
        for (const auto& r : state.rigs.slots) {
            if (!r || !seen.insert(r.Get()).second) continue;
            rigs.emplace_back().Take(r.Get());
            includeMass(r->mass.Get());
            includeConstraint(r->con.Get());
        }
    }

    cellMasses.clear();
    cellOf.clear();
    cellMasses.reserve(masses.size());
    cellOf.reserve(masses.size());
    const TGrid& grid = *w.shiftgrid;
    for (int id = 0; id < grid.CellCount(); ++id) {
        for (TMass* m = grid.CellAt(id).First(); m; m = m->gridlink.next) {
            cellMasses.push_back(m);
            cellOf.push_back(grid.PlaceOf(id));
            includeMass(m);
        }
    }
    gridStrangers = grid.HoldsStrangers();

    // A freed world has no lists: it sleeps among none.
    const core::Ref<core::TList> none = w.Masses() && w.Constraints() ? nullptr : core::CreateList();
    const TStepper& stepper = TStepAccess::Of(w);
    stepper.Sleep().Capture(sleep, w.Masses() ? *w.Masses() : *none,
                            w.Constraints() ? *w.Constraints() : *none, w.Zones());
    for (const auto& island : sleep.islands) {
        for (const auto& m : island.masses) includeMass(m.Get());
        for (const auto& c : island.constraints) includeConstraint(c.Get());
    }
    if (const TContactTracker* tracker = TStepAccess::TrackerOf(w, false)) {
        tracker->Capture(contacts);
    } else {
        contacts = {};
    }
    for (const auto* pairs : {&contacts.previous, &contacts.begins, &contacts.ends}) {
        for (const TContactChange& c : *pairs) {
            includeMass(c.mass.Get());
            includeMass(c.GetMass2());
        }
    }
    return true;
}

bool TWorldState::Apply(TPhysics& w) const {
    TStepper& stepper = TStepAccess::Of(w);
    if (stepper.Stepping() || !w.Masses() || !w.Constraints() || !w.Zones()) return false;
    // The cells are laid out for the bounds as they were; the masses come
    // back into them below.
    settings.Apply(w);
    // The queue holds the contacts of steps the world no longer has taken.
    stepper.Queue().Clear();
    if (w.IsCurrent()) TColEvent::colCurrent = nullptr;

    RestoreList(*w.Masses(), massList);
    RestoreList(*w.Constraints(), constraintList);
    RestoreList(*w.Zones(), zoneList);
    for (const TMassState& m : masses) m.Apply();
    for (const TConstraintState& c : constraints) c.Apply();
    for (const TZoneState& z : zones) z.Apply();
    for (const TRigState& r : rigs) r.Apply();
    for (const TBodyState& b : bodies) b.Apply();

    // The cells get back their masses in their order, which decides the
    // order of the contacts.
    TGrid& grid = *w.shiftgrid;
    for (int id = 0; id < grid.CellCount(); ++id) {
        TGridCell& c = grid.CellAt(id);
        if (!c.IsEmpty()) c.DetachAll();
    }
    for (std::size_t k = 0; k < cellMasses.size(); ++k) grid.Place(cellMasses[k], cellOf[k]);
    grid.SetHoldsStrangers(gridStrangers);

    stepper.ForgetLayout();
    stepper.Sleep().Restore(sleep, *w.Masses(), *w.Constraints(), w.Zones());
    if (TContactTracker* tracker = TStepAccess::TrackerOf(w, contacts.on))
        tracker->Restore(contacts);
    return true;
}

} // namespace kel::tangle::detail
