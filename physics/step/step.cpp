#include "physics/step/step.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/hook.h"
#include "physics/colevent.h"
#include "physics/constraint.h"
#include "physics/grid/grid.h"
#include "physics/threads/strip_log.h"
#include "physics/mass.h"
#include "physics/world.h"
#include "physics/zonebase.h"

namespace kel::tangle::detail {

namespace {

// Whether a pass can run code from outside the library (collision hooks or
// zone responses), which could move any mass or change any list at any time.
bool RunsOutsideCode(const core::TList* zones) {
    if (core::HasHooks(TColEvent::colHookId)) return true;
    if (zones) {
        for (core::TLink* l = zones->FirstLink(); l; l = l->NextLink()) {
            TZoneBase* z = core::As<TZoneBase>(l->Value());
            if (z && !z->MovesOnlyItsMass()) return true;
        }
    }
    return false;
}

// Masses integrated per task of a step on several threads.
constexpr std::size_t kIntegrateRange = 2048;

// Moves m by its velocity and gravity; with continuous collision, `from`
// (mover k's place in the path starts) first gets where it was.
inline void Integrate(TMass* m, float gravityX, float gravityY, float* from, std::size_t k) {
    if (from) {
        from[2 * k] = m->posX;
        from[2 * k + 1] = m->posY;
    }
    if (m->frozen) return;
    const float x = m->posX, y = m->posY;
    m->posX = m->posX + (m->posX - m->oldPosX) + gravityX;
    m->posY = m->posY + (m->posY - m->oldPosY) + gravityY;
    m->oldPosX = x;
    m->oldPosY = y;
}

} // namespace

TStepPlan PlanStep(const TPhysics& w) {
    const core::TList* zones = w.Zones();
    TStepPlan plan;
    plan.passes = w.i;
    plan.stacking = w.stacking == 1 || w.stacking == 3;
    plan.together = w.stacking == 2 || w.stacking == 3;
    plan.substeps = plan.stacking ? kStackingSubsteps : 1;
    plan.quiet = !RunsOutsideCode(zones);
    const bool gridOfWorldOnly = w.SpanX() > 0 && !w.shiftgrid->HoldsStrangers();
    plan.refill = gridOfWorldOnly;
    if (!w.gridon)
        plan.search = TContactSearch::AllPairs;
    else if (plan.quiet && gridOfWorldOnly)
        plan.search = TContactSearch::GridArrays;
    else
        plan.search = TContactSearch::GridLists;
    return plan;
}

TStepper::TStepper(TPhysics* world) : queue_(world) {}

class TStepper::TSteppingScope {
  public:
    explicit TSteppingScope(TStepper& stepper) : stepper_(stepper) { stepper_.stepping_ = true; }
    ~TSteppingScope() { stepper_.stepping_ = false; }
    TSteppingScope(const TSteppingScope&) = delete;
    TSteppingScope& operator=(const TSteppingScope&) = delete;

  private:
    TStepper& stepper_;
};

TStepContext TStepper::BeginStep(TPhysics& w, const core::TList& masses,
                                 const core::TList& constraints) {
    TStepContext step;
    step.world = &w;
    step.worker = &worker_;
    step.plan = PlanStep(w);
    step.queue = &queue_;
    step.queueMode = TStepAccess::QueueModeOf(w);
    TStepPlan& plan = step.plan;
    // With sleeping on, the step moves only the free awake masses; frozen
    // and sleeping ones are only touched. They stay in the grid, so the grid
    // is not refilled, and the walks go over the cells' lists, which hold
    // them too.
    const bool sleeping = w.sleepSpeed > 0;
    // While sleeping was off, the together solve numbered the masses its
    // own way: the sleep phase must number them afresh.
    if (sleeping && !sleptLastStep_) sleep_.Touched();
    sleptLastStep_ = sleeping;
    if (sleeping) {
        sleep_.BeginStep(masses, massOrder_.Of(masses), constraints,
                         constraintOrder_.Of(constraints), w.Zones());
        if (!sleep_.NoneResting()) {
            plan.everyMassMoves = false;
            plan.refill = false;
            if (plan.search == TContactSearch::GridArrays) plan.search = TContactSearch::GridLists;
        }
    }
    // No outside code runs while integrating or satisfying constraints, so
    // the lists' orders serve there.
    step.lists =
        TStepLists(masses, massOrder_, constraints, constraintOrder_, sleeping ? &sleep_ : nullptr);
    step.sleepLog = sleeping ? &sleep_ : nullptr;
    if (plan.stacking) step.shock = TShock{true, w.gravityX, w.gravityY};
    continuous_.BeginStep(w, step.lists);
    if (continuous_.On()) {
        step.continuous = &continuous_;
        // A bullet is swept against the masses through the cells' lists,
        // which only the walks over the lists keep up to date.
        if (continuous_.AnyBullet() && plan.search == TContactSearch::GridArrays)
            plan.search = TContactSearch::GridLists;
    }
    step.nonFinite = &nonFinite_;
    // Decided here, once: the sweep follows from the search, the world's
    // schedule and whether outside code may run.
    if (plan.search == TContactSearch::GridArrays)
        plan.sweep = threads_.Scheduled() ? TSweep::Strips : TSweep::CellArrays;
    else
        plan.sweep = plan.quiet ? TSweep::QuietLists : TSweep::HeldLists;
    lastPlan_ = plan;
    return step;
}

void TStepper::Step(TPhysics& w) {
    // A hook must not step the world from inside a step: such a call does nothing.
    if (stepping_) return;
    TStepAccess::FitCellsToBounds(w);
    if (w.shiftgrid->WorthRenumbering()) RenumberCells(w);
    const TSteppingScope stepping(*this);
    // Held for the whole step, so that a hook that frees the world cannot
    // pull the lists away under the walks.
    const core::Ref<core::TList> masses = w.Masses(), constraints = w.Constraints();
    if (!masses || !constraints) return; // freed
    const TStepContext step = BeginStep(w, *masses, *constraints);
    const TStepPlan& plan = step.plan;
    cellArraysCurrent_ = false;
    cellsMoved_ = false;

    // Gravity per substep: a small step of 1/n moves by gravity / n^2.
    float gx = w.gravityX, gy = w.gravityY;
    if (plan.substeps > 1) {
        const float n = static_cast<float>(plan.substeps);
        gx /= n * n;
        gy /= n * n;
        stacking_.SlowDown(step.lists.Movers(), plan.substeps);
    }
    const float complianceScale = static_cast<float>(plan.substeps * plan.substeps);
    bool skinsMoved = false;
    for (int substep = 0; substep < plan.substeps; ++substep) {
        TConstraintSolver::BeginSubstep(step.lists.Constraints(), complianceScale);
        const bool cellsKept = IntegrateAndRebin(step, gx, gy);
        // Emptied once per step: the substeps' contacts merge per pair.
        if (substep == 0) {
            queue_.Clear();
            if (w.IsCurrent()) TColEvent::colCurrent = nullptr;
        }
        for (int pass = 0; pass < plan.passes; ++pass) {
            SatisfyConstraints(step);
            if (plan.stacking) stacking_.BeforeContacts(step.lists.Movers());
            // After a sweep over the arrays, every mass is in the cell they hold it in.
            SweepMasses(step, pass == 0 && !cellsKept,
                        substep + 1 == plan.substeps && pass + 1 == plan.passes);
            if (skins_.Pass(step)) skinsMoved = true;
            if (plan.stacking) stacking_.AfterContacts();
        }
    }
    // The sweeps of the cells' arrays leave the cells' lists to be put in
    // order once the passes are done.
    if (plan.search == TContactSearch::GridArrays) LinkCells(step);
    if (plan.substeps > 1) stacking_.SpeedUp(plan.substeps);
    // Outside code may have written what is not a number after a mass's
    // last bounds test.
    if (!plan.quiet) TakeOutNonFiniteMasses(step);
    if (step.sleepLog) step.sleepLog->EndStep(w.sleepSpeed, w.sleepSteps);
    // Stacking, skins and sleeping change positions or velocities after the
    // last sweep: the arrays no longer mirror the masses.
    if (plan.stacking || step.sleepLog || skinsMoved) cellArraysCurrent_ = false;
    CheckIfAsked(w);
}

void TStepper::TakeOutNonFiniteMasses(const TStepContext& step) {
    for (TMass* m : step.lists.Movers()) {
        if (!std::isfinite(m->posX) || !std::isfinite(m->posY) || !std::isfinite(m->oldPosX) ||
            !std::isfinite(m->oldPosY))
            TakeOutNonFinite(step, m);
    }
}

void TStepper::RenumberCells(TPhysics& w) {
    w.shiftgrid->Renumber();
    ForgetLayout();
}

bool TStepper::IntegrateAndRebin(const TStepContext& step, float gx, float gy) {
    TPhysics& w = *step.world;
    const std::vector<TMass*>& order = step.lists.Movers();
    float* const starts = step.continuous ? step.continuous->PathStarts(order.size()) : nullptr;
    if (step.plan.search == TContactSearch::GridArrays) {
        // The sweeps work from the cells' arrays: only the cells are named
        // here, and LinkCells puts the lists in order when the passes are
        // done. The masses that crossed into other cells are shifted there
        // in the arrays when they are few; many, and the arrays are laid out
        // again. Each mass on its own, in ranges (on the world's threads
        // under the schedule); the shifts follow, in list order.
        const bool fits =
            cellArrays_.Fits(step.lists.Masses(), w.shiftgrid->Layout(w.GridSpan())) &&
            !cellArrays_.Sprawling();
        const std::size_t ranges = (order.size() + kIntegrateRange - 1) / kIntegrateRange;
        if (leavers_.size() < ranges) leavers_.resize(ranges);
        threads_.ForRanges(order.size(), kIntegrateRange, [&](std::size_t from, std::size_t to) {
            std::vector<std::uint32_t>& left = leavers_[from / kIntegrateRange];
            left.clear();
            KeepRoom(left, kIntegrateRange / 8);
            for (std::size_t k = from; k < to; ++k) {
                TMass* m = order[k];
                Integrate(m, gx, gy, starts, k);
                m->gridx = w.CellX(m->posX);
                m->gridy = w.CellY(m->posY);
                if (fits && !cellArrays_.StillIn(k, {m->gridx, m->gridy}))
                    left.push_back(static_cast<std::uint32_t>(k));
            }
        });
        const TCellArrays::TLeft left =
            fits ? cellArrays_.ShiftLeavers(leavers_, ranges, order) : TCellArrays::TLeft::Many;
        const bool kept = left != TCellArrays::TLeft::Many;
        if (left != TCellArrays::TLeft::None) cellsMoved_ = true;
        return kept;
    }
    if (step.plan.refill) {
        TGrid& grid = *w.shiftgrid;
        grid.BeginRefill();
        for (std::size_t k = 0; k < order.size(); ++k) {
            TMass* m = order[k];
            Integrate(m, gx, gy, starts, k);
            grid.Refill(m, {w.CellX(m->posX), w.CellY(m->posY)});
        }
    } else {
        for (std::size_t k = 0; k < order.size(); ++k) {
            TMass* m = order[k];
            Integrate(m, gx, gy, starts, k);
            Rebin(m, &w);
        }
    }
    return false;
}

void TStepper::LinkCells(const TStepContext& step) {
    // No mass changed cells and nothing else touched the lists since they
    // were last linked: they are still right.
    TGrid& grid = *step.world->shiftgrid;
    if (!cellsMoved_ && grid.LinkChanges() == linkedCells_) return;
    if (cellArraysCurrent_) {
        cellArrays_.Relink(grid, step.lists.Movers());
    } else {
        // No pass ran, or the arrays were dropped: the cells hold the
        // masses in list order.
        grid.RefillAll(step.lists.Movers());
    }
    linkedCells_ = grid.LinkChanges();
}

void TStepper::SweepMasses(const TStepContext& step, bool rebuild, bool last) {
    switch (step.plan.sweep) {
    case TSweep::Strips:
        SweepCellArraysInStrips(step, rebuild, last);
        return;
    case TSweep::CellArrays:
        SweepCellArrays(step, rebuild);
        cellArraysCurrent_ = true;
        if (cellArrays_.AnyMassChangedCell()) cellsMoved_ = true;
        return;
    case TSweep::QuietLists:
        SweepCellLists(step);
        return;
    case TSweep::HeldLists: {
        // Holds every mass of the pass, as a hook may drop the last reference
        // to one.
        const std::vector<TMass*>& order = step.lists.Movers();
        held_.assign(order.begin(), order.end());
        SweepHeldCellLists(step, held_);
        held_.clear();
        return;
    }
    }
}

void TStepper::SweepCellArraysInStrips(const TStepContext& step, bool rebuild, bool last) {
    // Laid out again from the cells the masses are named in when the arrays
    // belong to other masses or another grid, or have sprawled.
    const TPhysics& w = *step.world;
    const bool fresh = rebuild ||
                       !cellArrays_.Fits(step.lists.Masses(), w.shiftgrid->Layout(w.GridSpan())) ||
                       cellArrays_.Sprawling();
    // The step's last sweep lets the schedule link the lists when it can
    // do so beside other work.
    const TStripSchedule::TSwept swept = strips_.Sweep(step, cellArrays_, threads_, fresh, last);
    switch (swept.left) {
    case TCellArrays::TLeft::None:
        break;
    case TCellArrays::TLeft::Shifted:
        cellsMoved_ = true;
        break;
    case TCellArrays::TLeft::Many:
        // Laid out again by the next pass or step.
        cellsMoved_ = !swept.linked;
        if (swept.linked) linkedCells_ = w.shiftgrid->LinkChanges();
        cellArrays_.Outdate();
        cellArraysCurrent_ = false;
        return;
    }
    cellArrays_.SweptAll();
    cellArraysCurrent_ = true;
}

void TStepper::SatisfyConstraints(const TStepContext& step) {
    // A compliance is per unit of time squared: a substep of 1/n of a step
    // sees n^2 times the compliance.
    const float scale = static_cast<float>(step.plan.substeps * step.plan.substeps);
    const std::vector<TConstraint*>& constraints = step.lists.Constraints();
    if (step.plan.together) {
        together_.Pass(constraints, step.lists.Movers(), scale, step.sleepLog == nullptr, threads_);
    } else {
        const TMoveAtOnce move;
        for (TConstraint* c : constraints) TConstraintSolver::Solve(*c, scale, move);
    }
}

void TStepper::CheckIfAsked(const TPhysics& w) const {
#if defined(QUORVEL_VALIDATE)
    if (const char* broken = BrokenInvariant(w)) {
        std::fprintf(stderr, "kel.tangle: step invariant broken: %s\n", broken);
        std::abort();
    }
#else
    (void)w;
#endif
}

} // namespace kel::tangle::detail
