#pragma once
// Dragging a mass with the mouse: a press takes the nearest mass within
// reach, and until the release the held mass follows the pointer: it is
// frozen, so that its constraints cannot pull it back, and placed where the
// pointer is before each step. Let go, it thaws (unless it was frozen
// before) with the pointer's speed over the last step, so a fling throws it.

#include "core/object.h"
#include "physics/tangle.h"

namespace samples {

// The mass of the world nearest to (x, y) whose centre lies within `reach`
// of it, or null. Removed masses are not in the world and are never found.
kel::tangle::TMass* NearestMass(float x, float y, float reach);

class MassDrag {
  public:
    // Takes the nearest mass within reach of (x, y); false when none.
    bool Grab(float x, float y, float reach);
    // The pointer moved to (x, y).
    void MoveTo(float x, float y);
    // Places the held mass at the pointer; call before each step.
    void Apply();
    void Release();
    kel::tangle::TMass* Held() const { return held_.Get(); }

  private:
    core::Ref<kel::tangle::TMass> held_;
    float targetX_ = 0, targetY_ = 0;
    float flingX_ = 0, flingY_ = 0; // how far the last Apply moved the mass
    bool wasFrozen_ = false;
};

} // namespace samples
