#include "tangle_scene.h"

namespace bench_scenes {

using namespace kel::tangle;

TangleScene BuildTangle(const Scene& scene, bool grid, float stiffness, float cellSize,
                        int settleSteps) {
    constexpr int kGridSize = 64;
    TPhysics::Free();
    TPhysics::Create(scene.width, scene.height, scene.gravity, 0, 1);
    TPhysics::SetGridSize(kGridSize);
    TPhysics::SetCellSize(cellSize);
    TPhysics::UseShiftedGrid(grid ? 1 : 0);
    TangleScene s{core::Make<TBody>(), {}};
    for (std::size_t k = 0; k < scene.starts.size(); ++k) {
        const Point at = scene.starts[k];
        s.masses.push_back(
            TMass::Create(at.x, at.y, Scene::kMass, Scene::kRadius, Scene::kFriction, -1));
        if (k % 2) TConstraint::Create(s.masses[k - 1], s.masses[k], 0, stiffness)->Assign(s.body);
    }
    const int settle = settleSteps < 0 ? scene.settleSteps : settleSteps;
    for (int step = 0; step < settle; ++step) TPhysics::Update();
    return s;
}

} // namespace bench_scenes
