#include "physics/world.h"

#include <cmath>

#include "physics/constraint.h"
#include "physics/detail/grid.h"
#include "physics/detail/step.h"
#include "physics/mass.h"
#include "physics/zonebase.h"

namespace kel::tangle {

core::Ref<TPhysics> currentWorld;
core::Ref<core::TList> massList;
core::Ref<core::TList> constraintList;
core::Ref<core::TList> zoneList;

namespace {

// Members keep a raw pointer to their link; before a world's lists go, those
// pointers are cleared so that nothing later removes a link that is gone.
template <class T> void Detach(core::Ref<core::TList>& list) {
    if (!list) return;
    for (T* member : list->Each<T>()) member->link = nullptr;
    list = nullptr;
}

void DropWorldLists() {
    Detach<TMass>(massList);
    Detach<TConstraint>(constraintList);
    Detach<TZoneBase>(zoneList);
}

// The module state goes before the objects of other files that may still
// hold masses and constraints at exit.
struct ModuleTeardown {
    ~ModuleTeardown() {
        DropWorldLists();
        currentWorld = nullptr;
    }
} moduleTeardown;

} // namespace

TPhysics::TPhysics()
    : shiftgrid(std::make_unique<detail::TGrid>()),
      stepper_(std::make_unique<detail::TStepper>()) {
    DropWorldLists();
    massList = core::CreateList();
    constraintList = core::CreateList();
    zoneList = core::CreateList();
    currentWorld = this;
}

TPhysics::~TPhysics() = default; // the grid leaves its masses in no cell

core::Ref<TPhysics> TPhysics::Create(float right, float bottom, float gravityY, float gravityX,
                                     int iterations) {
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
    if (TPhysics* w = currentWorld) {
        w->boundsMinX = std::fmin(x1, x2);
        w->boundsMinY = std::fmin(y1, y2);
        w->boundsMaxX = std::fmax(x1, x2);
        w->boundsMaxY = std::fmax(y1, y2);
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

int TPhysics::SetStacking(int mode) {
    if (TPhysics* w = currentWorld) w->stacking = mode >= 1 && mode <= 3 ? mode : 0;
    return 0;
}

int TPhysics::GetStacking() {
    const TPhysics* w = currentWorld;
    return w ? w->stacking : 0;
}

int TPhysics::SetSleep(float speed, int steps) {
    TPhysics* w = currentWorld;
    if (!w) return 0;
    w->sleepSpeed = speed > 0 ? speed : 0;
    w->sleepSteps = steps < 1 ? 1 : steps;
    if (w->sleepSpeed == 0) detail::TStepAccess::Of(*w).Sleep().WakeAll();
    return 0;
}

int TPhysics::AwakeCount() {
    if (!currentWorld || !massList) return 0;
    int awake = 0;
    for (const TMass* m : massList->Each<TMass>()) awake += m->IsAwake();
    return awake;
}

int TPhysics::Free() {
    TPhysics* w = currentWorld;
    if (!w) return 0;
    w->boundsMinX = w->boundsMinY = w->boundsMaxX = w->boundsMaxY = 0;
    w->gravityX = w->gravityY = 0;
    w->i = 0;
    w->friction = 0;
    DropWorldLists();
    currentWorld = nullptr;
    return 0;
}

int TPhysics::Update() {
    if (core::Ref<TPhysics> w = currentWorld) detail::TStepAccess::Of(*w).Step(*w);
    return 0;
}

namespace detail {

TStepper& TStepAccess::Of(TPhysics& w) { return *w.stepper_; }
const TStepper& TStepAccess::Of(const TPhysics& w) { return *w.stepper_; }

} // namespace detail

} // namespace kel::tangle
