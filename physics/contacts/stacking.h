#pragma once
// Stable stacking (TPhysics::SetStacking(1)): what the step does differently
// so that a deep pile comes to rest with one pass per step.
//
// One relaxation pass cannot carry the weight of many rows, and under Verlet
// every correction the pass makes becomes velocity, which pushes the pile
// back up on the next step. Three changes, measured together on a pile of
// 10,000 masses (bench/physics/rest_bench.cpp), make it settle:
//   substeps  the step runs as kStackingSubsteps small steps, each with the
//             world's passes, velocities and gravity scaled to the small
//             step: the error a pass leaves shrinks with the square of the
//             step, and four small steps beat four passes of one step;
//   no push   a contact may stop a mass, never throw it: after the contacts
//             of a pass, what they added to a mass's velocity along their
//             push beyond stopping it is taken back (its position stays);
//   shock     in a contact between two free masses, the one further along
//             gravity counts kShockWeight times heavier, so the weight of a
//             pile is carried down to its floor within fewer passes.
// Events keep their meaning: the queue is emptied once per step, so it holds
// one event per touching pair with the contacts of every substep merged.

#include <vector>

#include "core/object.h"

namespace kel::tangle {
class TMass;
class TPhysics;
} // namespace kel::tangle

namespace kel::tangle::detail {

constexpr int kStackingSubsteps = 4;
constexpr float kShockWeight = 2.0f;

// The shock rule of a step's contacts: on in a stacking step, with the
// gravity it weighs along. The step context carries it to the contacts.
struct TShock {
    bool on = false;
    float gravityX = 0, gravityY = 0;
};

// The weights of a contact between two free masses of masses ma and mb at
// (ax, ay) and (bx, by), under the shock rule.
inline void ShockWeights(const TShock& shock, float ax, float ay, float bx, float by, float& ma,
                         float& mb) {
    const float along = (ax - bx) * shock.gravityX + (ay - by) * shock.gravityY;
    if (along > 0)
        ma *= kShockWeight;
    else if (along < 0)
        mb *= kShockWeight;
}

// What a stacking step keeps between its phases; its storage is reused from
// step to step.
class TStacking {
  public:
    // Divides the velocity of every free mass by n for the first substep.
    void SlowDown(const std::vector<TMass*>& order, int n);
    // Multiplies the velocities of the masses slowed down back by n.
    void SpeedUp(int n);

    // Notes where each mass is and how it moves before a pass's contacts.
    void BeforeContacts(const std::vector<TMass*>& order);
    // Takes back the velocity the contacts added beyond stopping a mass.
    void AfterContacts();

  private:
    struct Before {
        float x, y, vx, vy;
    };
    std::vector<core::Ref<TMass>> slowed_;
    std::vector<core::Ref<TMass>> swept_; // held: a hook may drop a mass
    std::vector<Before> before_;
};

} // namespace kel::tangle::detail
