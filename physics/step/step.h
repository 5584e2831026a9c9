#pragma once
// The world's step (TPhysics::Update) as named phases over the grid.
//
//   plan       decide, once, what this step does (TStepPlan)
//   integrate  move every free mass by its velocity and gravity, and re-bin
//              every mass into the grid
//   flush      empty the collision queue
//   passes     i times: satisfy the constraints (in list order, or together:
//              see constraint_solve.h), then sweep the masses in
//              list order; for each: hold it in the bounds, collide it with
//              the zones, re-bin it and collide it with the masses near it;
//              then collide the masses with the skins (skin_contacts.h)
//   link       where the sweeps worked from the cells' arrays, put the
//              cells' lists in the order the arrays give
//   sleep      with sleeping on, count the still steps and put quiet
//              islands to sleep
//   check      with QUORVEL_VALIDATE, check the invariants the fast paths
//              rely on and stop the program naming the first that broke
//
// Everything a phase works with is in the step context (step_context.h),
// which Step builds once and passes down: the world, the plan, the lists,
// the sleep log, the shock rule of the contacts, and the worker that owns
// the walk marks and the contact batch. Nothing of a step lives at namespace
// scope, and what the step keeps on a mass is private to the library
// (TMassStepState, reached through TMassStepAccess). A contact made outside
// a step (TMass::Collide) passes an empty context: no shock rule, no sleep
// log.
//
// A sweep comes in variants. Where no code from outside the library can run
// (no collision hook, no zone with a response of its own), nothing but the
// sweep itself moves masses or changes the lists, and the sweep walks
// contiguous copies of the cells (TCellArrays): its walkers go over cell
// slots. Otherwise it holds every mass of the pass and checks after each call
// that may run outside code whether the mass is still in the world; the
// walkers go over the cells' lists then, and a walk resumes correctly when a
// hook took a mass out of the cell under it. Every variant visits the same
// pairs in the same order, so their results are the same bit for bit.
//
// A world may step on several threads (TPhysics::SetThreads): its quiet
// sweeps over the cells' arrays then run the strip schedule
// (strip_schedule.h), whose results differ from the sweep's on one thread
// but are the same for any number of threads.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/list.h"
#include "core/object.h"
#include "physics/grid/cell_arrays.h"
#include "physics/constraints/constraint_solve.h"
#include "physics/contacts/continuous.h"
#include "physics/step/list_order.h"
#include "physics/contacts/skin_contacts.h"
#include "physics/sleep/sleep.h"
#include "physics/contacts/stacking.h"
#include "physics/step/step_context.h"
#include "physics/threads/strip_schedule.h"

namespace kel::tangle {
class TConstraint;
class TMass;
class TPhysics;
} // namespace kel::tangle

namespace kel::tangle::detail {

class TContactTracker;

TStepPlan PlanStep(const TPhysics& w);

class TStepper {
  public:
    explicit TStepper(TPhysics* world);

    // One step of the world; a step started from inside a step does nothing.
    void Step(TPhysics& w);

    // The first invariant of the fast paths that does not hold after the
    // last step, by name, or null.
    const char* BrokenInvariant(const TPhysics& w) const;
    // The plan of the last step.
    const TStepPlan& LastPlan() const { return lastPlan_; }

    TSleep& Sleep() { return sleep_; }
    // The world's collision queue.
    TCollisionQueue& Queue() { return queue_; }
    const TCollisionQueue& Queue() const { return queue_; }
    // Masses the steps took out for not being finite (TPhysics::NonFiniteCount).
    int NonFiniteCount() const { return nonFinite_.load(std::memory_order_relaxed); }
    // True while a step runs (a hook is being called from inside it).
    bool Stepping() const { return stepping_; }
    // Drops what the step keeps about the cells' layout, so that the next
    // step lays them out afresh from the lists and the grid (after a
    // snapshot's restore).
    void ForgetLayout() {
        cellArrays_.Forget();
        cellArraysCurrent_ = false;
    }
    // Numbers the grid's cells afresh (TGrid::Renumber), between steps; the
    // arrays, laid out by the old numbers, are forgotten.
    void RenumberCells(TPhysics& w);
    const TSleep& Sleep() const { return sleep_; }
    // The copies of the cells that the quiet passes walk.
    TCellArrays& CellArrays() { return cellArrays_; }
    // The threads the quiet passes run on (strip_schedule.h).
    TThreads& Threads() { return threads_; }
    const TThreads& Threads() const { return threads_; }

  private:
    // Marks the stepper as stepping for as long as it lives, also when a
    // hook throws.
    class TSteppingScope;

    // The plan phase: decides the plan, lets the sleep phase take the
    // world's lists, and builds the step's context around them.
    TStepContext BeginStep(TPhysics& w, const core::TList& masses, const core::TList& constraints);
    // Tells, for the sweeps over the cells' arrays, whether every mass
    // stayed in the cell the arrays hold it in.
    bool IntegrateAndRebin(const TStepContext& step, float gravityX, float gravityY);
    // Links the cells' lists as the last sweep left the cells, unless no
    // mass changed cells this step and the lists are still as the last step
    // left them.
    void LinkCells(const TStepContext& step);
    // One sweep of the step's movers; with the grid off, each mass also
    // meets every resting mass (frozen or sleeping ones, which do not
    // sweep). `rebuild`: the cells' arrays must be laid out anew; `last`:
    // the step's last sweep.
    void SweepMasses(const TStepContext& step, bool rebuild, bool last);
    // The movers are the whole of the world's masses, in list order.
    void SweepCellArrays(const TStepContext& step, bool rebuild);
    // The same under the strip schedule, on the world's threads.
    void SweepCellArraysInStrips(const TStepContext& step, bool rebuild, bool last);
    void CheckIfAsked(const TPhysics& w) const;
    // Takes out of the step every mover whose place or velocity is not a
    // finite number.
    void TakeOutNonFiniteMasses(const TStepContext& step);
    void SatisfyConstraints(const TStepContext& step);

    bool stepping_ = false;
    TCollisionQueue queue_;
    // Counted by the sweeps, which may run on several threads.
    std::atomic<int> nonFinite_{0};
    bool sleptLastStep_ = false;
    TStepPlan lastPlan_;
    TListOrder<TMass> massOrder_;
    TListOrder<TConstraint> constraintOrder_;
    std::vector<core::Ref<TMass>> held_; // every mass of a pass that may run outside code
    TCellArrays cellArrays_;
    TStacking stacking_;
    TSolveTogether together_;
    TSkinContacts skins_;
    TContinuous continuous_;
    TSleep sleep_;
    TStepWorker worker_;             // the step's one worker: its walk marks and contact batch
    bool cellArraysCurrent_ = false; // the arrays are those of the step's last pass
    bool cellsMoved_ = false;        // this step, a mass left the cell the arrays held it in
    std::uint64_t linkedCells_ = 0;  // TGridCell::LinkChanges when LinkCells last linked
    TThreads threads_;
    std::vector<std::vector<std::uint32_t>>
        leavers_; // per range of the integration: masses that left their cells
    TStripSchedule strips_;
};

// Reaches a world's stepper, which TPhysics keeps private.
struct TStepAccess {
    static TStepper& Of(TPhysics& w);
    static const TStepper& Of(const TPhysics& w);
    // The world's contact tracker, or null when it has none yet; `make`
    // makes one (stopped).
    static TContactTracker* TrackerOf(TPhysics& w, bool make);
    // Lays the cells of SetCellSize out afresh when the bounds moved since.
    static void FitCellsToBounds(TPhysics& w);
    // A snapshot's cell size, with the cells laid out for the world's
    // bounds, every mass in no cell.
    static void RestoreCellSize(TPhysics& w, float size);
    static float CellSizeOf(const TPhysics& w);
    // The world's collision queue mode and automatic group counter: the
    // calling thread's TColEvent::colMode and nextColGroup while it is
    // current there, else the world's own.
    static int QueueModeOf(const TPhysics& w);
    static void SetQueueMode(TPhysics& w, int mode);
    static int NextColGroupOf(const TPhysics& w);
    static void SetNextColGroup(TPhysics& w, int group);
};

// The sweeps that walk the cells as lists (contact_sweep.cpp): over the
// step's movers where no outside code can run, over held masses where it
// can (`held` is the movers, each held for the pass).
void SweepCellLists(const TStepContext& step);
void SweepHeldCellLists(const TStepContext& step, const std::vector<core::Ref<TMass>>& held);

// The parts of a sweep that every variant shares.

// Holds m inside the world's bounds, with wall friction and an event per
// wall. A mass whose place is not a finite number is taken out of the step
// instead (TakeOutNonFinite).
void KeepInBounds(const TStepContext& step, TMass* m);
// Puts a mass whose place or velocity is not a finite number back where it
// last was finite (its previous place, else its place, else the middle of
// the bounds), at rest and frozen, and counts it.
void TakeOutNonFinite(const TStepContext& step, TMass* m);
// Collides m, mover k of the step, with every zone whose group meets its
// own; with continuous collision, first along the way it came. False when m
// left the world.
bool CollideZones(const TStepContext& step, TMass* m, std::size_t k);
// The same in a quiet pass, taking no reference to the list or the zones,
// so that tasks on several threads may collide with the same zones.
void CollideZonesQuietly(const TStepContext& step, TMass* m, std::size_t k);

} // namespace kel::tangle::detail
