#pragma once
// The scenes of the step benchmarks as plain data, so that every engine
// builds the same one: where each mass starts, and that masses 2k and 2k + 1
// are joined. Units are the library's: one step is 1/60 s.

#include <vector>

namespace bench_scenes {

enum class Layout {
    // The lattice covers the whole world, without gravity (at rest where
    // there is room; 50,000 masses of radius 4 cannot all fit and keep
    // pushing each other).
    Spread,
    // Rows of touching masses stacked from the floor under the game's
    // gravity, squeezed into a pile with resting contacts everywhere.
    Pile,
};

struct Point {
    float x, y;
};

struct Scene {
    static constexpr float kWidth = 1000, kHeight = 2000; // a closed box
    static constexpr float kRadius = 4, kMass = 1, kFriction = 0.5f;
    static constexpr float kStepsPerSecond = 60;
    float gravity = 0;        // units per step squared, downwards (+y)
    int settleSteps = 0;      // steps before timing starts
    std::vector<Point> starts; // masses 2k and 2k + 1 are joined
    // The box, kWidth x kHeight but for the scaled piles below.
    float width = kWidth, height = kHeight;
};

Scene Make(Layout layout, int count);
// The pile of Make at its density (its rows as wide as its box, as many
// rows as the masses fill) in a box `across` times as wide and `down` times
// as high.
Scene MakeScaledPile(int count, float across, float down);
// Piles of `perPile` masses as Make lays them out, side by side, one box
// width apart, in a box as wide as all of them: the masses of one pile are
// listed before the next.
Scene MakeSideBySide(int count, int perPile);

} // namespace bench_scenes
