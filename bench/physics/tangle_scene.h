#pragma once
// A bench scene (scenes.h) built in kel.tangle: the current world, with the
// masses of the scene joined in pairs by constraints of the given stiffness,
// stepped until settled.

#include <vector>

#include "physics/tangle.h"
#include "scenes.h"

namespace bench_scenes {

struct TangleScene {
    core::Ref<kel::tangle::TBody> body;
    std::vector<core::Ref<kel::tangle::TMass>> masses;
};

// The grid is 64 x 64, or cells `cellSize` wide (TPhysics::SetCellSize);
// settles for scene.settleSteps, or `settleSteps` when not negative.
TangleScene BuildTangle(const Scene& scene, bool grid, float stiffness, float cellSize = 0,
                        int settleSteps = -1);

} // namespace bench_scenes
