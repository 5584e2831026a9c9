#include "physics/world.h"

#include <cmath>

#include "physics/colevent.h"
#include "physics/constraint.h"
#include "physics/contacts/contact_tracker.h"
#include "physics/step/finite.h"
#include "physics/grid/grid.h"
#include "physics/step/step.h"
#include "physics/mass.h"
#include "physics/zonebase.h"

namespace kel::tangle {

thread_local core::Ref<TPhysics> currentWorld;
thread_local core::Ref<core::TList> massList;
thread_local core::Ref<core::TList> constraintList;
thread_local core::Ref<core::TList> zoneList;

namespace {

// Members keep a raw pointer to their link; before a world's lists go, those
// pointers are cleared so that nothing later removes a link that is gone.
template <class T> void Detach(core::Ref<core::TList>& list) {
    if (!list) return;
    for (T* member : list->Each<T>()) member->link = nullptr;
    list = nullptr;
}

} // namespace

void TPhysics::DropLists() {
    if (IsCurrent()) massList = constraintList = zoneList = nullptr;
    Detach<TMass>(masses_);
    Detach<TConstraint>(constraints_);
    Detach<TZoneBase>(zones_);
}

void TPhysics::SetCurrent(TPhysics* w) {
    TPhysics* was = currentWorld.Get();
    if (was == w) return;
    if (was) {
        was->colMode_ = TColEvent::colMode;
        was->nextColGroup_ = nextColGroup;
    }
    if (w) {
        TColEvent::colMode = w->colMode_;
        nextColGroup = w->nextColGroup_;
        massList = w->masses_;
        constraintList = w->constraints_;
        zoneList = w->zones_;
    } else {
        massList = constraintList = zoneList = nullptr;
    }
    TColEvent::colCurrent = nullptr;
    currentWorld = w; // last: the world that stops being current may end here
}

// Makes a world current on the calling thread for as long as it lives, and
// puts back the world that was, unless a hook made another current meanwhile.
class TPhysics::TCurrentScope {
  public:
    explicit TCurrentScope(TPhysics* w) : world_(w) {
        if (currentWorld.Get() == w) return;
        was_ = currentWorld;
        swapped_ = true;
        SetCurrent(w);
    }
    ~TCurrentScope() {
        if (swapped_ && currentWorld.Get() == world_) SetCurrent(was_.Get());
    }
    TCurrentScope(const TCurrentScope&) = delete;
    TCurrentScope& operator=(const TCurrentScope&) = delete;

  private:
    TPhysics* world_;
    core::Ref<TPhysics> was_;
    bool swapped_ = false;
};

TPhysics::TPhysics()
    : shiftgrid(std::make_unique<detail::TGrid>(this)),
      masses_(core::CreateList()), constraints_(core::CreateList()),
      zones_(core::CreateList()), colMode_(TColEvent::colMode), nextColGroup_(nextColGroup),
      stepper_(std::make_unique<detail::TStepper>(this)) {
    SetCurrent(this);
}

TPhysics::~TPhysics() {
    // No thread's lists name the world's any more (the thread's own may be
    // gone already, at its exit).
    Detach<TMass>(masses_);
    Detach<TConstraint>(constraints_);
    Detach<TZoneBase>(zones_);
} // the grid leaves its masses in no cell

int TPhysics::MakeCurrent() {
    // A world that was freed gets lists again, as a new world would.
    if (!masses_) {
        masses_ = core::CreateList();
        constraints_ = core::CreateList();
        zones_ = core::CreateList();
    }
    SetCurrent(this);
    return 0;
}

int TPhysics::Step() {
    const TCurrentScope current(this);
    // Without tracking the step runs as it always did.
    if (contactTracker_ && contactTracker_->On())
        contactTracker_->Step(*this);
    else
        detail::TStepAccess::Of(*this).Step(*this);
    return 0;
}


core::Ref<TPhysics> TPhysics::Create(float right, float bottom, float gravityY, float gravityX,
                                     int iterations) {
    if (!detail::AllFinite(right, bottom, gravityY, gravityX)) return nullptr;
    core::Ref<TPhysics> w = core::Make<TPhysics>();
    w->boundsMinX = w->boundsMinY = 0;
    w->boundsMaxX = right;
    w->boundsMaxY = bottom;
    w->gravityY = gravityY;
    w->gravityX = gravityX;
    w->i = iterations;
    w->friction = 1.0f;
    w->gridsize = 8;
    w->ratiox = 8 / right;
    w->ratioy = 8 / bottom;
    return w;
}

int TPhysics::SetGravity(float gx, float gy) {
    if (!detail::AllFinite(gx, gy)) return -1;
    if (TPhysics* w = currentWorld) {
        w->gravityX = gx;
        w->gravityY = gy;
    }
    return 0;
}

int TPhysics::SetIterations(int n) {
    if (TPhysics* w = currentWorld) w->i = n;
    return 0;
}

int TPhysics::SetBounds(float x1, float y1, float x2, float y2) {
    if (!detail::AllFinite(x1, y1, x2, y2)) return -1;
    if (TPhysics* w = currentWorld) {
        w->boundsMinX = std::fmin(x1, x2);
        w->boundsMinY = std::fmin(y1, y2);
        w->boundsMaxX = std::fmax(x1, x2);
        w->boundsMaxY = std::fmax(y1, y2);
        // From inside a step, the next step lays the cells out.
        if (!w->CellsFitBounds() && !detail::TStepAccess::Of(*w).Stepping()) w->FitCells();
    }
    return 0;
}

int TPhysics::GetBounds(float& minX, float& minY, float& maxX, float& maxY) {
    TPhysics* w = currentWorld;
    minX = w ? w->boundsMinX : 0;
    minY = w ? w->boundsMinY : 0;
    maxX = w ? w->boundsMaxX : 0;
    maxY = w ? w->boundsMaxY : 0;
    return 0;
}

int TPhysics::SetFriction(float f) {
    if (!detail::AllFinite(f)) return -1;
    if (TPhysics* w = currentWorld) w->friction = f;
    return 0;
}

int TPhysics::UseShiftedGrid(int flag) {
    if (TPhysics* w = currentWorld) w->gridon = flag;
    return 0;
}

int TPhysics::SetGridSize(int n) {
    if (TPhysics* w = currentWorld) {
        w->gridsize = n < 8 ? 8 : (n > MAX_GRID ? MAX_GRID : n);
        w->ratiox = static_cast<float>(w->gridsize) / (w->boundsMaxX - w->boundsMinX);
        w->ratioy = static_cast<float>(w->gridsize) / (w->boundsMaxY - w->boundsMinY);
    }
    return 0;
}

int TPhysics::SetCellSize(float width) {
    if (!detail::AllFinite(width)) return -1;
    TPhysics* w = currentWorld;
    if (!w || detail::TStepAccess::Of(*w).Stepping()) return 0;
    const float size = width > 0 ? width : 0;
    if (size > 0) w->gridon = 1;
    if (size == w->cellSize_ && w->CellsFitBounds()) return 0;
    const bool wasSparse = w->cellSize_ > 0;
    w->cellSize_ = size;
    if (size > 0 || wasSparse) w->FitCells();
    return 0;
}

float TPhysics::GetCellSize() {
    const TPhysics* w = currentWorld;
    return w ? w->cellSize_ : 0;
}

void TPhysics::FitCells(bool rebin) {
    detail::TGrid& grid = *shiftgrid;
    if (cellSize_ > 0) {
        cellLeft_ = boundsMinX;
        cellTop_ = boundsMinY;
        cellRatio_ = 1 / cellSize_;
        cellSpanX_ = detail::CellSpan(boundsMaxX - boundsMinX, cellSize_);
        cellSpanY_ = detail::CellSpan(boundsMaxY - boundsMinY, cellSize_);
        fittedBounds_[0] = boundsMinX;
        fittedBounds_[1] = boundsMinY;
        fittedBounds_[2] = boundsMaxX;
        fittedBounds_[3] = boundsMaxY;
        grid.UseSparse();
    } else {
        grid.UseDense();
    }
    // In list order, each at the end of its cell: what a refill gives.
    if (rebin && masses_) {
        for (TMass* m : masses_->Each<TMass>()) detail::Rebin(m, this);
    }
    detail::TStepAccess::Of(*this).ForgetLayout();
}

int TPhysics::SetStacking(int mode) {
    if (TPhysics* w = currentWorld) w->stacking = mode >= 1 && mode <= 3 ? mode : 0;
    return 0;
}

int TPhysics::GetStacking() {
    const TPhysics* w = currentWorld;
    return w ? w->stacking : 0;
}

int TPhysics::SetThreads(int n) {
    if (TPhysics* w = currentWorld) detail::TStepAccess::Of(*w).Threads().Set(n);
    return 0;
}

int TPhysics::GetThreads() {
    const TPhysics* w = currentWorld;
    return w ? detail::TStepAccess::Of(*w).Threads().Count() : 1;
}

int TPhysics::SetTaskSystem(const TTaskSystem& system) {
    if (TPhysics* w = currentWorld) detail::TStepAccess::Of(*w).Threads().SetTaskSystem(system);
    return 0;
}

int TPhysics::SetSleep(float speed, int steps) {
    if (!detail::AllFinite(speed)) return -1;
    TPhysics* w = currentWorld;
    if (!w) return 0;
    w->sleepSpeed = speed > 0 ? speed : 0;
    w->sleepSteps = steps < 1 ? 1 : steps;
    if (w->sleepSpeed == 0) detail::TStepAccess::Of(*w).Sleep().WakeAll();
    return 0;
}

int TPhysics::SetContinuous(int on) {
    if (TPhysics* w = currentWorld) w->continuous = on != 0 ? 1 : 0;
    return 0;
}

int TPhysics::GetContinuous() {
    const TPhysics* w = currentWorld;
    return w && w->continuous ? 1 : 0;
}

int TPhysics::NonFiniteCount() {
    const TPhysics* w = currentWorld;
    return w ? detail::TStepAccess::Of(*w).NonFiniteCount() : 0;
}

int TPhysics::AwakeCount() {
    const TPhysics* w = currentWorld;
    if (!w || !w->masses_) return 0;
    int awake = 0;
    for (const TMass* m : w->masses_->Each<TMass>()) awake += m->IsAwake();
    return awake;
}

int TPhysics::Free() {
    TPhysics* w = currentWorld;
    if (!w) return 0;
    w->boundsMinX = w->boundsMinY = w->boundsMaxX = w->boundsMaxY = 0;
    w->gravityX = w->gravityY = 0;
    w->i = 0;
    w->friction = 0;
    w->continuous = 0;
    if (w->cellSize_ > 0) {
        w->cellSize_ = 0;
        w->shiftgrid->UseDense();
    }
    if (w->contactTracker_) w->contactTracker_->Stop();
    // Its threads stop with it.
    detail::TStepAccess::Of(*w).Threads().Set(1);
    w->DropLists();
    SetCurrent(nullptr);
    return 0;
}

int TPhysics::Update() {
    if (core::Ref<TPhysics> w = currentWorld) w->Step();
    return 0;
}

namespace {

// The most cells along each axis that are still at least `cellWidth` wide
// over both extents, within 1 ... TPhysics::MAX_GRID.
int CellsFor(float width, float height, float cellWidth) {
    constexpr int kMost = TPhysics::MAX_GRID;
    if (!(cellWidth > 0)) return kMost;
    const float extent = std::fmin(width, height);
    const float fit = std::floor(extent / cellWidth);
    if (!(fit >= 1)) return 1;
    if (fit >= static_cast<float>(kMost)) return kMost;
    int n = static_cast<int>(fit);
    // The quotient may have rounded up.
    while (n > 1 && extent / static_cast<float>(n) < cellWidth) --n;
    return n;
}

} // namespace

core::Ref<TPhysics> TPhysics::Create(const TWorldDef& def) {
    if (!detail::AllFinite(def.left, def.top, def.right, def.bottom, def.gravityX, def.gravityY,
                           def.friction, def.largestRadius, def.cellSize, def.sleepSpeed))
        return nullptr;
    core::Ref<TPhysics> w = Create(def.right, def.bottom, def.gravityY, def.gravityX, def.passes);
    SetBounds(def.left, def.top, def.right, def.bottom);
    SetFriction(def.friction);
    UseShiftedGrid(def.grid ? 1 : 0);
    // Sized as SetGridSize does, from the bounds, but to any count of cells
    // that keeps them at least two radii wide.
    const float width = w->boundsMaxX - w->boundsMinX, height = w->boundsMaxY - w->boundsMinY;
    w->gridsize = CellsFor(width, height, 2 * def.largestRadius);
    w->ratiox = static_cast<float>(w->gridsize) / width;
    w->ratioy = static_cast<float>(w->gridsize) / height;
    if (def.cellSize > 0) SetCellSize(def.cellSize);
    SetStacking(def.stacking);
    SetContinuous(def.continuous ? 1 : 0);
    if (def.sleepSpeed > 0) SetSleep(def.sleepSpeed, def.sleepSteps);
    if (def.trackContacts) TrackContacts(1);
    return w;
}

detail::TContactTracker* TPhysics::StartedTracker() {
    if (!contactTracker_) contactTracker_ = std::make_unique<detail::TContactTracker>();
    if (!contactTracker_->On()) contactTracker_->Start();
    return contactTracker_.get();
}

int TPhysics::TrackContacts(int on) {
    TPhysics* w = currentWorld;
    if (!w) return 0;
    if (on)
        w->StartedTracker();
    else if (w->contactTracker_)
        w->contactTracker_->Stop();
    return 0;
}

int TPhysics::TracksContacts() {
    const TPhysics* w = currentWorld;
    return w && w->contactTracker_ && w->contactTracker_->On() ? 1 : 0;
}

const std::vector<TContactChange>& TPhysics::ContactBegins() {
    static const std::vector<TContactChange> none;
    TPhysics* w = currentWorld;
    return w ? w->ContactsBegun() : none;
}

const std::vector<TContactChange>& TPhysics::ContactEnds() {
    static const std::vector<TContactChange> none;
    TPhysics* w = currentWorld;
    return w ? w->ContactsEnded() : none;
}

const std::vector<TContactChange>& TPhysics::ContactsBegun() { return StartedTracker()->Begins(); }

const std::vector<TContactChange>& TPhysics::ContactsEnded() { return StartedTracker()->Ends(); }

namespace detail {

TStepper& TStepAccess::Of(TPhysics& w) { return *w.stepper_; }
TContactTracker* TStepAccess::TrackerOf(TPhysics& w, bool make) {
    if (!w.contactTracker_ && make) w.contactTracker_ = std::make_unique<TContactTracker>();
    return w.contactTracker_.get();
}
const TStepper& TStepAccess::Of(const TPhysics& w) { return *w.stepper_; }
void TStepAccess::FitCellsToBounds(TPhysics& w) {
    if (!w.CellsFitBounds()) w.FitCells();
}
void TStepAccess::RestoreCellSize(TPhysics& w, float size) {
    const float to = size > 0 ? size : 0;
    if (to == w.cellSize_ && w.CellsFitBounds()) return;
    const bool wasSparse = w.cellSize_ > 0;
    w.cellSize_ = to;
    if (to > 0 || wasSparse) w.FitCells(false);
}
float TStepAccess::CellSizeOf(const TPhysics& w) { return w.cellSize_; }
int TStepAccess::QueueModeOf(const TPhysics& w) {
    return w.IsCurrent() ? TColEvent::colMode : w.colMode_;
}
void TStepAccess::SetQueueMode(TPhysics& w, int mode) {
    (w.IsCurrent() ? TColEvent::colMode : w.colMode_) = mode;
}
int TStepAccess::NextColGroupOf(const TPhysics& w) {
    return w.IsCurrent() ? nextColGroup : w.nextColGroup_;
}
void TStepAccess::SetNextColGroup(TPhysics& w, int group) {
    (w.IsCurrent() ? nextColGroup : w.nextColGroup_) = group;
}

} // namespace detail

} // namespace kel::tangle
