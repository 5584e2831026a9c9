#include "physics/sleep/sleep.h"

#include "physics/constraint.h"
#include "physics/grid/grid.h"
#include "physics/step/mass_step.h"
#include "physics/step/step.h"
#include "physics/mass.h"
#include "physics/world.h"
#include "physics/zone.h"

namespace kel::tangle::detail {

namespace {

bool Sleeps(const TMass* m) { return StepStateOf(m).sleepIsland >= 0; }
bool IsMover(const TMass* m) { return !Sleeps(m) && !m->frozen; }

} // namespace

void TSleep::BeginStep(const core::TList& masses, const std::vector<TMass*>& massOrder,
                       const core::TList& constraints,
                       const std::vector<TConstraint*>& constraintOrder, const core::TList* zones) {
    const bool listsChanged =
        masses.Version() != massVersion_ || constraints.Version() != constraintVersion_;
    // Taken every step, so that a change is seen against the zones the
    // islands fell asleep with.
    const bool zonesChanged = ZonesChanged(zones);
    if (sleeping_ > 0) {
        if (zonesChanged) {
            WakeAll();
        } else if (listsChanged) {
            for (int k = 0; k < static_cast<int>(islands_.size()); ++k) {
                const Island& island = islands_[k];
                bool whole = true;
                for (const auto& m : island.masses) whole = whole && m->InWorld();
                for (const auto& c : island.constraints) whole = whole && (c->link != nullptr);
                if (!whole) WakeIsland(k);
            }
        }
    }
    if (!listsChanged && !dirty_) return;
    massVersion_ = masses.Version();
    constraintVersion_ = constraints.Version();
    dirty_ = false;

    held_.clear();
    movers_.clear();
    resting_.clear();
    for (TMass* m : massOrder) {
        if (IsMover(m)) {
            StepStateOf(m).stepSlot = static_cast<std::uint32_t>(movers_.size());
            movers_.push_back(m);
            held_.emplace_back(m);
        } else {
            resting_.push_back(m);
        }
    }
    constraints_.clear();
    for (TConstraint* c : constraintOrder) {
        // A constraint between resting masses only moves nothing.
        bool moves = false;
        c->ForEachMass([&](const TMass* m) { moves = moves || IsMover(m); });
        if (moves) constraints_.push_back(c);
    }
}

namespace {

// What a zone's contacts depend on, for every zone in order: a change
// anywhere, or another zone, changes the record.
void RecordZones(const core::TList* zones, std::vector<float>& record) {
    record.clear();
    if (!zones) return;
    record.push_back(static_cast<float>(zones->Version()));
    for (const TZone* z : zones->Each<TZone>()) {
        record.insert(record.end(), {z->offsetX, z->offsetY, z->angle, z->scaleX, z->scaleY,
                                     static_cast<float>(z->style), static_cast<float>(z->colGroup),
                                     z->friction, static_cast<float>(z->area.size())});
    }
}

// A record no zone list gives: list versions count from 0 up.
constexpr float kNoRecord = -1;

} // namespace

void TSleep::Capture(TSleepState& state, const core::TList& masses,
                     const core::TList& constraints, const core::TList* zones) const {
    state.islands = islands_;
    state.freeIslands = freeIslands_;
    state.sleeping = sleeping_;
    state.listsChanged =
        masses.Version() != massVersion_ || constraints.Version() != constraintVersion_;
    std::vector<float> record;
    RecordZones(zones, record);
    state.zonesChanged = record != zoneState_;
}

void TSleep::Restore(const TSleepState& state, const core::TList& masses,
                     const core::TList& constraints, const core::TList* zones) {
    islands_ = state.islands;
    freeIslands_ = state.freeIslands;
    sleeping_ = state.sleeping;
    // The next step sees a change where the snapshot's next step would have,
    // whatever the restore did to the lists' versions.
    massVersion_ = state.listsChanged ? ~std::uint64_t{0} : masses.Version();
    constraintVersion_ = state.listsChanged ? ~std::uint64_t{0} : constraints.Version();
    if (state.zonesChanged) {
        zoneState_.assign(1, kNoRecord);
    } else {
        RecordZones(zones, zoneState_);
    }
    toWake_.clear();
    contacts_.clear();
    dirty_ = true; // the movers are taken afresh from the restored masses
}

bool TSleep::ZonesChanged(const core::TList* zones) {
    RecordZones(zones, recorded_);
    const bool changed = recorded_ != zoneState_;
    zoneState_.swap(recorded_);
    return changed;
}

void TSleep::NoteContact(TMass* a, TMass* b) {
    const bool aSleeps = Sleeps(a), bSleeps = Sleeps(b);
    if (aSleeps || bSleeps) {
        // Touched by a mass that moves: the island wakes after the step.
        if (aSleeps && IsMover(b)) toWake_.push_back(a);
        if (bSleeps && IsMover(a)) toWake_.push_back(b);
        return;
    }
    if (!a->frozen && !b->frozen) contacts_.emplace_back(a, b);
}

void TSleep::EndStep(float speed, int steps) {
    CountStillSteps(speed, steps);
    WakeTouched();
    JoinIslands();
    SleepQuietIslands(steps);
}

bool TSleep::MoverSlot(const TMass* m, std::uint32_t& slot) const {
    slot = StepStateOf(m).stepSlot;
    return slot < movers_.size() && movers_[slot] == m && IsMover(m) && m->InWorld();
}

void TSleep::CountStillSteps(float speed, int steps) {
    const float speed2 = speed * speed;
    for (TMass* m : movers_) {
        TMassStepState& state = StepStateOf(m);
        const float vx = m->posX - m->oldPosX, vy = m->posY - m->oldPosY;
        if (vx * vx + vy * vy < speed2 && m->InWorld() && !m->frozen) {
            if (state.stillSteps < steps) ++state.stillSteps;
        } else {
            state.stillSteps = 0;
        }
    }
}

void TSleep::WakeTouched() {
    for (TMass* m : toWake_) Wake(m);
    toWake_.clear();
}

void TSleep::JoinIslands() {
    sets_.Reset(static_cast<std::uint32_t>(movers_.size()));
    std::uint32_t a = 0, b = 0;
    for (const TConstraint* c : constraints_) {
        if (c->link == nullptr) continue;
        // Every mass the constraint holds joins the island of the first.
        bool first = true;
        c->ForEachMass([&](const TMass* m) {
            if (!MoverSlot(m, b)) return;
            if (first) {
                a = b;
                first = false;
            } else {
                sets_.Join(a, b);
            }
        });
    }
    for (const auto& [ma, mb] : contacts_) {
        if (MoverSlot(ma, a) && MoverSlot(mb, b)) sets_.Join(a, b);
    }
    contacts_.clear();
}

void TSleep::SleepQuietIslands(int steps) {
    const std::uint32_t n = static_cast<std::uint32_t>(movers_.size());
    // An island sleeps when every mass in it has been still long enough.
    quiet_.assign(n, 1);
    for (std::uint32_t k = 0; k < n; ++k) {
        const TMass* m = movers_[k];
        if (!(IsMover(m) && m->InWorld() && StepStateOf(m).stillSteps >= steps))
            quiet_[sets_.Root(k)] = 0;
    }
    islandOf_.assign(n, -1);
    for (std::uint32_t k = 0; k < n; ++k) {
        const std::uint32_t root = sets_.Root(k);
        if (!quiet_[root]) continue;
        if (islandOf_[root] < 0) islandOf_[root] = NewIsland();
        TMass* m = movers_[k];
        Island& island = islands_[islandOf_[root]];
        island.masses.emplace_back(m);
        TMassStepState& state = StepStateOf(m);
        state.sleepIsland = islandOf_[root];
        state.stillSteps = 0;
        // Asleep at rest: when it wakes, it starts from standing still.
        m->oldPosX = m->posX;
        m->oldPosY = m->posY;
        ++sleeping_;
        dirty_ = true;
    }
    for (TConstraint* c : constraints_) {
        if (!(c->link != nullptr)) continue;
        int island = -1;
        c->ForEachMass([&](const TMass* m) {
            if (island < 0) island = StepStateOf(m).sleepIsland;
        });
        if (island >= 0) islands_[island].constraints.emplace_back(c);
    }
}

int TSleep::NewIsland() {
    if (!freeIslands_.empty()) {
        const int k = freeIslands_.back();
        freeIslands_.pop_back();
        return k;
    }
    islands_.emplace_back();
    return static_cast<int>(islands_.size()) - 1;
}

void TSleep::Wake(TMass* m) {
    if (m && Sleeps(m)) WakeIsland(StepStateOf(m).sleepIsland);
}

void TSleep::WakeIsland(int k) {
    Island& island = islands_[k];
    if (island.masses.empty()) return;
    for (const auto& m : island.masses) {
        TMassStepState& state = StepStateOf(m.Get());
        state.sleepIsland = -1;
        state.stillSteps = 0;
    }
    sleeping_ -= static_cast<int>(island.masses.size());
    island.masses.clear();
    island.constraints.clear();
    freeIslands_.push_back(k);
    dirty_ = true;
}

void TSleep::WakeAll() {
    for (int k = 0; k < static_cast<int>(islands_.size()); ++k) WakeIsland(k);
}

void WakeIslandOf(TMass* m) {
    TPhysics* w = WorldOf(m);
    if (!w) return;
    TSleep& sleep = TStepAccess::Of(*w).Sleep();
    sleep.Wake(m);
    sleep.Touched();
}

} // namespace kel::tangle::detail
