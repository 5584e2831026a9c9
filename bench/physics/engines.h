#pragma once
// A bench scene (scenes.h) built the same way in kel.tangle and in the two
// engines that Debian packages: Box2D 2.4 (libbox2d-dev) and Chipmunk 7
// (libchipmunk-dev). The same start positions, circles of radius 4 and mass 1,
// friction 0.5, pairs joined rigidly, gravity 0.15 units per step squared at
// 60 steps per second, a closed box of 1000 x 2000; then scene.settleSteps
// steps before the caller takes over.
//
// Each engine is told the scene's length scale where it has such a setting:
// - Box2D 2.4 fixes its length unit when it is compiled (tuned for bodies
//   from 0.1 to 10 metres), so the scene is given to it in metres, eight
//   units to the metre: the circles are a metre across.
// - Chipmunk's spatial hash is sized to the circles (cells one diameter
//   across, twice as many cells as shapes).
// Box2D's continuous collision is off: the others have none (engines.cpp).
//
// With rest asked for, each engine uses its own way to let a pile rest:
// - kel.tangle: stable stacking (SetStacking(1)) and sleeping at 0.05 units
//   per step for 30 steps, as rest_bench uses them.
// - Box2D: bodies may sleep, with its compiled-in settings (still for 0.5 s
//   under 0.01 m/s and 2 degrees/s).
// - Chipmunk: islands sleep after 0.5 s idle, like Box2D. Its idle speed is
//   set to kel.tangle's, 0.05 units per step (3 units/s), rather than its
//   guess from gravity (one step's gain, 0.15 units per step), so that the
//   two engines that judge rest by a speed judge it alike.

#include <memory>
#include <vector>

#include "scenes.h"

namespace bench_engines {

class Engine {
  public:
    virtual ~Engine() = default;
    virtual void Step() = 0;
    /// Where each body is, scene units, in the scene's order.
    virtual void Positions(std::vector<bench_scenes::Point>& out) const = 0;
    /// Bodies not asleep.
    virtual int AwakeCount() const = 0;
};

struct Options {
    bool rest = false; // the engine's own sleeping (and kel.tangle's stacking)
};

// Only one kel.tangle engine may live at a time: it is the current world.
std::unique_ptr<Engine> MakeTangle(const bench_scenes::Scene& s, Options o);
std::unique_ptr<Engine> MakeBox2d(const bench_scenes::Scene& s, Options o);
std::unique_ptr<Engine> MakeChipmunk(const bench_scenes::Scene& s, Options o);

} // namespace bench_engines
