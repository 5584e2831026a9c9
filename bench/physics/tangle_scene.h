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

TangleScene BuildTangle(const Scene& scene, bool grid, float stiffness);

} // namespace bench_scenes
