#pragma once
// Shared set-up for the physics tests: a clean event state per test and
// masses put straight into the world.

#include <gtest/gtest.h>

#include "physics/tangle.h"

namespace scene {

using namespace kel::tangle;

class PhysicsTest : public ::testing::Test {
  protected:
    void SetUp() override { Reset(); }
    void TearDown() override { Reset(); }
    static void Reset() {
        TPhysics::Free();
        TColEvent::SetMode(TColEvent::MODE_UPDATE);
        TColEvent::Flush();
    }
};

// A free mass of weight 1 that takes part in the simulation.
inline core::Ref<TMass> Enter(float x, float y, float radius, int group, float friction = 0) {
    core::Ref<TMass> m = TMass::Create(x, y, 1, radius, friction, group);
    m->AddRef();
    return m;
}

// A floor: a FILL zone 100 deep whose top runs along y from 0 to width,
// friction 0.5, in a group of its own.
inline core::Ref<TZone> Floor(float width, float y) {
    return TZone::Create({0, y, width, y, width, y + 100, 0, y + 100}, TZone::FILL, 0.5f,
                         TakeAutoColGroup(), 4);
}

// Counts the events that pass the collision hook chain while alive.
struct HookCounter {
    static inline int seen = 0;
    static core::Ref<core::Object> Count(int, core::Object* data, core::Object*) {
        ++seen;
        return data;
    }
    HookCounter() {
        seen = 0;
        core::AddHook(TColEvent::colHookId, Count);
    }
    ~HookCounter() { core::RemoveHook(TColEvent::colHookId, Count); }
};

} // namespace scene
