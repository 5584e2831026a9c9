// A large world: a long strip of ground, 20,000 units wide, with heaps of
// balls in pairs all along it. The contact grid's cells are given a width
// (SetCellSize) instead of a count, so that a cell holds a few masses
// however wide the world is; the step then costs what its masses cost.
#include <chrono>
#include <cstdio>
#include <vector>

#include "physics/tangle.h"

using namespace kel::tangle;

int main() {
    // [large-world]
    // Masses of radius 4: touching pairs are 8 wide, and cells of 12 leave
    // room for what a mass moves in a step.
    constexpr float kRadius = 4;
    TWorldDef def;
    def.right = 20000;
    def.bottom = 600;
    def.gravityY = 0.15f;
    def.passes = 1;
    def.largestRadius = kRadius;
    def.cellSize = 3 * kRadius;
    TPhysics::Create(def);
    // The same on a world made otherwise: TPhysics::SetCellSize(12).
    // [/large-world]

    core::Ref<TBody> heaps = core::Make<TBody>();
    std::vector<core::Ref<TMass>> masses;
    constexpr int kPerRow = 2000, kRows = 3;
    for (int k = 0; k < kPerRow * kRows; ++k) {
        const float x =
            6 + 9.5f * static_cast<float>(k % kPerRow) + 2.0f * static_cast<float>(k / kPerRow % 2);
        const float y = 590 - 9.5f * static_cast<float>(k / kPerRow);
        masses.push_back(TMass::Create(x, y, 1, kRadius, 0.5f, -1));
        if (k % 2) TConstraint::Create(masses[k - 1], masses[k], 0, 1)->Assign(heaps);
    }

    const auto start = std::chrono::steady_clock::now();
    constexpr int kSteps = 100;
    for (int step = 0; step < kSteps; ++step) TPhysics::Update();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu masses over %g units, cells of %g: %.2f ms a step\n", masses.size(),
                def.right, TPhysics::GetCellSize(), ms / kSteps);

    // Nothing fell through the floor or out of the world (a contact after
    // the bounds may leave a mass a little over an edge until the next step).
    for (const auto& m : masses) {
        if (!(m->GetY() < 600) || !(m->GetX() > 0 && m->GetX() < 20000)) {
            std::fprintf(stderr, "large_world: a mass left the world\n");
            return 1;
        }
    }
    TPhysics::Free();
    return 0;
}
