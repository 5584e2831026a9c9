#pragma once
// TPhysics: the world's settings and the simulation step, plus the module-wide
// lists of everything that takes part in the simulation.

#include <limits>
#include <memory>

#include "core/list.h"
#include "core/object.h"
#include "physics/view.h"

namespace kel::tangle {

class TConstraint;
class TMass;
class TPhysics;

namespace detail {
class TGrid;
class TStepper;
struct TStepAccess;
} // namespace detail

// The current world, or none before the first Create and after Free.
extern core::Ref<TPhysics> currentWorld;
// Objects taking part in the simulation, in the order they entered; absent
// (none) while there is no world.
extern core::Ref<core::TList> massList;
extern core::Ref<core::TList> constraintList;
extern core::Ref<core::TList> zoneList;

// The view fields and functions come from TWorldView.
class TPhysics : public core::Object, public TWorldView {
  public:
    static constexpr int MAX_GRID = 64;

    float boundsMaxX = 0;
    float boundsMaxY = 0;
    float boundsMinX = 0;
    float boundsMinY = 0;
    float friction = 1.0f;
    float gravityX = 0;
    float gravityY = 0;
    int i = 0; // relaxation passes per Update
    int gridon = 0;
    // The collision grid: a list of masses per cell, MAX_GRID x MAX_GRID
    // cells made with the world. Its class is internal to the library.
    const std::unique_ptr<detail::TGrid> shiftgrid;
    int gridsize = 0;
    float ratiox = 0;
    float ratioy = 0;
    // Stable stacking: 0 is the step as it always was, 1 lets deep piles
    // come to rest (see SetStacking). Off by default.
    int stacking = 0;
    // Sleeping: off while sleepSpeed is 0 (see SetSleep).
    float sleepSpeed = 0;
    int sleepSteps = 0;

    // Becomes the current world and starts the module lists afresh.
    TPhysics();
    ~TPhysics() override;
    TPhysics(const TPhysics&) = delete;
    TPhysics& operator=(const TPhysics&) = delete;

    // Note the order: vertical gravity before horizontal.
    static core::Ref<TPhysics> Create(float right, float bottom, float gravityY, float gravityX,
                                      int iterations);
    static int SetGravity(float gx, float gy);
    static int SetIterations(int n);
    static int SetBounds(float x1, float y1, float x2, float y2);
    static int GetBounds(float& minX, float& minY, float& maxX, float& maxY);
    static int SetFriction(float f);
    static int UseShiftedGrid(int flag);
    static int SetGridSize(int n);
    // Mode 1 makes resting contact converge without pumping energy into a
    // pile: each step runs as 4 small steps, contacts stop masses but never
    // throw them, and of two touching masses the lower (along gravity)
    // counts double. It costs about 4 steps of mode 0 and changes results;
    // mode 0, the default, is the step bit for bit as it always was. Other
    // values count as 0. Returns 0; does nothing without a world.
    static int SetStacking(int mode);
    // The current world's stacking mode, 0 without a world.
    static int GetStacking();
    // Lets islands of masses come to rest and cost nothing until disturbed.
    // An island is a set of free masses joined by constraints or touching;
    // when every mass of one moved less than `speed` units per step for
    // `steps` steps in a row, it sleeps: it is no longer integrated, held in
    // the bounds or walked for contacts, and raises no events among its
    // masses. It wakes when an awake mass touches it, when a mass or
    // constraint of it leaves the world, when the API moves one of its
    // masses, sets or adds a velocity, freezes or thaws it, or changes a rest
    // length, and when a zone is added, removed or changed. Writing fields
    // directly wakes nothing. A speed of 0 (the default, also for a
    // negative or not-a-number speed) turns sleeping off and wakes every
    // island; steps below 1 count as 1. Returns 0; does nothing without a
    // world.
    static int SetSleep(float speed, int steps);
    // Masses in the current world that are not asleep (frozen ones count as
    // awake); 0 without a world.
    static int AwakeCount();
    static int Update();
    static int Free();

    // The cells in use along each axis: gridsize, kept within the grid
    // whatever was written to the field.
    int GridSpan() const { return gridsize < 0 ? 0 : (gridsize > MAX_GRID ? MAX_GRID : gridsize); }
    // The cell of a position along one axis: floor(pos * ratio) clamped to
    // 0 ... GridSpan() - 1; a product that is not finite gives cell 0.
    int CellX(float x) const { return CellOf(x, ratiox); }
    int CellY(float y) const { return CellOf(y, ratioy); }

  private:
    friend struct detail::TStepAccess;

    int CellOf(float pos, float ratio) const {
        // An infinite ratio (zero-width bounds) puts everything into cell 0.
        // From 0 up, truncation is floor; floor(p) > span - 1 exactly when
        // p >= span.
        const int span = GridSpan();
        const float p = pos * ratio;
        if (!(p >= 0) || p == std::numeric_limits<float>::infinity()) return 0;
        if (p >= static_cast<float>(span)) return span - 1;
        return static_cast<int>(p);
    }

    // The step's phases and the caches it keeps from step to step.
    const std::unique_ptr<detail::TStepper> stepper_;
};

} // namespace kel::tangle
