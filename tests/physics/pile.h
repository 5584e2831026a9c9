#pragma once
// A pile for the resting tests: rows of touching masses of radius 4 dropped
// in a 1000 x 2000 world under the game's gravity, every second row shifted
// by a quarter, each even mass joined to the next.

#include <algorithm>
#include <cmath>
#include <vector>

#include "physics/tangle.h"

namespace scene {

using namespace kel::tangle;

struct Pile {
    static constexpr int kPerRow = 116;
    static constexpr float kSpacing = 8.5f, kRadius = 4, kGravity = 0.15f;

    core::Ref<TBody> body = core::Make<TBody>();
    std::vector<core::Ref<TMass>> masses;

    Pile(int rows, float friction) {
        TPhysics::Create(1000, 2000, kGravity, 0, 1);
        TPhysics::SetGridSize(64);
        TPhysics::UseShiftedGrid(1);
        for (int k = 0; k < rows * kPerRow; ++k) {
            const float x = 5 + (k % kPerRow) * kSpacing + ((k / kPerRow) % 2) * kSpacing * 0.25f;
            const float y = 1995 - (k / kPerRow) * kSpacing;
            masses.push_back(TMass::Create(x, y, 1, kRadius, friction, -1));
            if (k % 2) TConstraint::Create(masses[k - 1], masses[k], 0, 0.5f)->Assign(body);
        }
    }

    struct Motion {
        double mean = 0, largest = 0;
    };
    // Steps once; how far the masses moved.
    Motion Step() {
        std::vector<float> x, y;
        for (const auto& m : masses) x.push_back(m->posX), y.push_back(m->posY);
        TPhysics::Update();
        Motion motion;
        for (std::size_t k = 0; k < masses.size(); ++k) {
            const double d = std::hypot(masses[k]->posX - x[k], masses[k]->posY - y[k]);
            motion.mean += d / static_cast<double>(masses.size());
            motion.largest = std::max(motion.largest, d);
        }
        return motion;
    }
    // Kinetic energy (per step) plus the potential energy above the floor.
    double Energy() const {
        double e = 0;
        for (const auto& m : masses) {
            const double vx = m->GetVX(), vy = m->GetVY();
            e += 0.5 * (vx * vx + vy * vy) + kGravity * (2000 - m->posY);
        }
        return e;
    }
    float Top() const {
        float top = 2000;
        for (const auto& m : masses) top = std::min(top, m->posY);
        return top;
    }
    // The deepest overlap of two masses that no constraint joins.
    double DeepestOverlap() const {
        double deepest = 0;
        for (std::size_t i = 0; i < masses.size(); ++i) {
            for (std::size_t j = i + 1; j < masses.size(); ++j) {
                if (i / 2 == j / 2) continue;
                const double d = std::hypot(masses[i]->posX - masses[j]->posX,
                                            masses[i]->posY - masses[j]->posY);
                deepest = std::max(deepest, 2 * kRadius - d);
            }
        }
        return deepest;
    }
};

} // namespace scene
