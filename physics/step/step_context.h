#pragma once
// What one step works with, in one place (TStepContext): TStepper::Step
// builds it and hands it to the phases, the sweeps and the contact
// response, so that everything a phase reads is in its signature.
//
// The context is in two parts. What every worker of the step shares and
// only reads while the passes run: the world, the plan, the lists, the
// sleep log and the shock rule. And what a worker owns (TStepWorker): its
// walk marks and its contact batch. Today the step has one worker, the
// stepper's own; a step that runs its sweeps on several threads would give
// each thread a copy of the context pointing to a worker of its own.

#include <atomic>
#include <cstdint>
#include <vector>

#include "core/list.h"
#include "physics/constraint.h"
#include "physics/contacts/collision_queue.h"
#include "physics/step/list_order.h"
#include "physics/sleep/sleep.h"
#include "physics/contacts/stacking.h"
#include "physics/mass.h"

namespace kel::tangle {
class TPhysics;
} // namespace kel::tangle

namespace kel::tangle::detail {

class TContinuous;
class TStripLog;

// How a sweep finds the masses that a mass may touch.
enum class TContactSearch {
    AllPairs,   // every later mass of the sweep (the grid is off)
    GridLists,  // the neighbourhood's cells, walked as lists
    GridArrays, // the neighbourhood's cells, walked as contiguous arrays
};

// The one sweep a step's passes run, threads included.
enum class TSweep {
    HeldLists,  // over the cells' lists, holding every mass: outside code may run
    QuietLists, // over the cells' lists (or all pairs), nothing outside running
    CellArrays, // over the cells' contiguous arrays, on the calling thread
    Strips,     // over the arrays in strips, under the schedule (threads/)
};

// What one step does, decided before it starts.
struct TStepPlan {
    int passes = 0; // the world's i, read once
    // Small steps the step runs as (stable stacking), each with `passes`.
    int substeps = 1;
    bool stacking = false;
    // Constraints are solved together rather than one after another.
    bool together = false;
    // Every mass of the world is integrated and re-binned (no mass sleeps
    // and none is frozen while sleeping is on).
    bool everyMassMoves = true;
    // The integration re-bins by refilling the grid in list order, which
    // gives the same cells as placing the masses one by one. Only while the
    // cells hold nothing but masses of the world.
    bool refill = false;
    // No code from outside the library can run during the passes.
    bool quiet = false;
    TContactSearch search = TContactSearch::AllPairs;
    TSweep sweep = TSweep::QuietLists;
};

// The lists a step works through: the masses it moves, the constraints it
// satisfies and the masses that rest (frozen or asleep: touched, never
// moved), each in list order. With sleeping on they are the sleep phase's;
// otherwise the world's lists, whose order is taken again when a hook
// changed one between phases.
class TStepLists {
  public:
    TStepLists() = default;
    TStepLists(const core::TList& masses, TListOrder<TMass>& massOrder,
               const core::TList& constraints, TListOrder<TConstraint>& constraintOrder,
               const TSleep* sleep)
        : masses_(&masses), constraints_(&constraints), massOrder_(&massOrder),
          constraintOrder_(&constraintOrder), sleep_(sleep) {}

    const core::TList& Masses() const { return *masses_; }
    const std::vector<TMass*>& Movers() const {
        return sleep_ ? sleep_->Movers() : massOrder_->Of(*masses_);
    }
    const std::vector<TConstraint*>& Constraints() const {
        return sleep_ ? sleep_->Constraints() : constraintOrder_->Of(*constraints_);
    }
    const std::vector<TMass*>& Resting() const { return sleep_ ? sleep_->Resting() : none_; }

  private:
    static inline const std::vector<TMass*> none_;
    const core::TList* masses_ = nullptr;
    const core::TList* constraints_ = nullptr;
    TListOrder<TMass>* massOrder_ = nullptr;
    TListOrder<TConstraint>* constraintOrder_ = nullptr;
    const TSleep* sleep_ = nullptr;
};

// What one worker of the step owns, which no other worker may touch.
class TStepWorker {
  public:
    // A mark for a cell walk (TMassStepState::walkMark) that no walk since
    // the counter last wrapped has given; never 0, which marks a mass no
    // walk has visited. The counter lasts from step to step.
    std::uint32_t NextWalkMark() {
        if (++walkCounter_ == 0) ++walkCounter_;
        return walkCounter_;
    }
    // Where a sweep over the cells' arrays keeps its contacts.
    TContactBatch& Contacts() { return contacts_; }

  private:
    std::uint32_t walkCounter_ = 0;
    TContactBatch contacts_;
};

// One step's context. A default one is empty: no world, no lists, no sleep
// log, no shock rule, no worker, no queue; that is what a contact made
// outside a step (TMass::Collide) works with.
struct TStepContext {
    TPhysics* world = nullptr;
    TStepPlan plan;
    TStepLists lists;
    // Where the contacts of two masses go while sleeping is on, or null.
    TSleep* sleepLog = nullptr;
    // The shock rule of the contacts (on in a stacking step).
    TShock shock;
    TStepWorker* worker = nullptr;
    // Continuous collision, while the world has it on.
    TContinuous* continuous = nullptr;
    // Counts the masses taken out of the step for not being finite.
    std::atomic<int>* nonFinite = nullptr;
    // The world's collision queue and the mode the step queues in, read once
    // as it starts (TColEvent::colMode); no queue outside a step.
    TCollisionQueue* queue = nullptr;
    int queueMode = TColEvent::MODE_UPDATE;
    // A task of the strip schedule: its own log of contacts.
    TStripLog* log = nullptr;
};

} // namespace kel::tangle::detail
