#pragma once
// Sleeping islands (TPhysics::SetSleep): masses that have come to rest stop
// costing anything until something disturbs them.
//
// An island is a set of free masses joined by constraints or touching one
// another (frozen masses join nothing: they hold many islands up without
// making them one). At the end of each step every awake free mass counts the
// steps in a row it moved less than the sleep speed; an island all of whose
// masses have counted enough steps goes to sleep: its velocities become zero
// and it leaves the step, which no longer integrates it, keeps it in the
// bounds or walks it for contacts. It stays in its grid cells, so an awake
// mass still finds it; such a contact pushes both and wakes the island. An
// island also wakes when one of its masses or constraints leaves the world,
// when the API moves one of its masses, gives it a velocity or changes one
// of its rest lengths, and when a zone is added, removed or changed.
//
// The islands of a step are found by union-find (TIslandSet) over the
// constraints of the awake masses and the contacts the step's sweeps report.
// Everything here follows the step's own order, so sleeping and waking are
// as deterministic as the step.

#include <cstdint>
#include <utility>
#include <vector>

#include "core/list.h"
#include "core/object.h"
#include "physics/sleep/island_set.h"

namespace kel::tangle {
class TConstraint;
class TMass;
class TPhysics;
} // namespace kel::tangle

namespace kel::tangle::detail {

class TSleep;

// What a world snapshot keeps of the sleep phase: the islands by number
// (a mass's TMassStepState::sleepIsland names one), the numbers free for reuse, and whether
// the lists or the zones changed since the last step looked at them.
struct TSleepState {
    struct Island {
        std::vector<core::Ref<TMass>> masses;
        std::vector<core::Ref<TConstraint>> constraints;
    };
    std::vector<Island> islands;
    std::vector<int> freeIslands;
    int sleeping = 0;
    bool listsChanged = false;
    bool zonesChanged = false;
};

class TSleep {
  public:
    // Takes the world's lists as they are before a step: wakes the islands
    // that lost a member or whose zones changed, and gathers the masses and
    // constraints that take part in the step.
    void BeginStep(const core::TList& masses, const std::vector<TMass*>& massOrder,
                   const core::TList& constraints, const std::vector<TConstraint*>& constraintOrder,
                   const core::TList* zones);

    // The free awake masses of the step, in list order; held for the step.
    const std::vector<TMass*>& Movers() const { return movers_; }
    const std::vector<TConstraint*>& Constraints() const { return constraints_; }
    // Masses that do not move themselves but can be touched: frozen and
    // sleeping ones, in list order.
    const std::vector<TMass*>& Resting() const { return resting_; }
    // True when every free mass of the world takes part.
    bool NoneResting() const { return resting_.empty(); }

    // A contact of two masses during the step: the step context's sleep log
    // while sleeping is on.
    void NoteContact(TMass* a, TMass* b);

    // After the step: counts the still steps and puts quiet islands to
    // sleep, in four jobs (below), in this order.
    void EndStep(float speed, int steps);

    // Wakes the island of m, if it sleeps.
    void Wake(TMass* m);
    void WakeAll();
    int SleepingCount() const { return sleeping_; }
    // Something about the masses changed through the API (a freeze, a thaw):
    // the step takes its masses afresh.
    void Touched() { dirty_ = true; }

    // Between steps: the state a snapshot keeps, and putting it back for
    // the world's lists and zones as the restore left them.
    void Capture(TSleepState& state, const core::TList& masses, const core::TList& constraints,
                 const core::TList* zones) const;
    void Restore(const TSleepState& state, const core::TList& masses,
                 const core::TList& constraints, const core::TList* zones);

  private:
    using Island = TSleepState::Island;
    // The jobs of EndStep. Each mover counts the steps in a row it moved
    // slower than `speed`, up to `steps`.
    void CountStillSteps(float speed, int steps);
    // Wakes the islands that a mover touched during the step.
    void WakeTouched();
    // Joins the movers into islands, by the constraints and contacts they share.
    void JoinIslands();
    // Puts every island whose masses have all been still for `steps` to sleep.
    void SleepQuietIslands(int steps);
    // A mover of this step that still moves itself: its slot among the movers.
    bool MoverSlot(const TMass* m, std::uint32_t& slot) const;
    void WakeIsland(int island);
    int NewIsland();
    bool ZonesChanged(const core::TList* zones);

    std::vector<Island> islands_; // an empty one is free for reuse
    std::vector<int> freeIslands_;
    int sleeping_ = 0;

    std::vector<core::Ref<TMass>> held_; // the movers, held for the step
    std::vector<TMass*> movers_, resting_;
    std::vector<TConstraint*> constraints_;
    std::vector<std::pair<TMass*, TMass*>> contacts_;
    std::vector<TMass*> toWake_;
    TIslandSet sets_;
    std::vector<char> quiet_;   // by root: every member still
    std::vector<int> islandOf_; // by root: the island it goes to sleep as
    bool dirty_ = true;         // the movers must be taken afresh

    std::uint64_t massVersion_ = ~std::uint64_t{0}, constraintVersion_ = ~std::uint64_t{0};
    std::vector<float> zoneState_, recorded_;
};

// Wakes the island of m in the current world, if it sleeps: what the API
// calls when it moves a mass.
void WakeIslandOf(TMass* m);

} // namespace kel::tangle::detail
