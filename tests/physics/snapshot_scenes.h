#pragma once
// What the snapshot and world file tests share: a hash of the world's exact
// state, and a world with something of every kind in it.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "fnv.h"
#include "physics/step/mass_step.h"
#include "physics/step/step.h"
#include "physics/tangle.h"

namespace scene {

using namespace kel::tangle;

// Every mass of the world, in list order, bit for bit, with its island.
inline std::uint64_t WorldHash() {
    Fnv hash;
    for (const TMass* m : massList->Each<TMass>()) {
        hash.Add(m->posX);
        hash.Add(m->posY);
        hash.Add(m->oldPosX);
        hash.Add(m->oldPosY);
        hash.Add(kel::tangle::detail::StepStateOf(m).sleepIsland);
    }
    return hash.h;
}

// What ContactBegins and ContactEnds report, step after step; `count`
// adds up the pairs reported.
inline std::uint64_t TrackedContactsHash(int steps, int* count = nullptr) {
    Fnv hash;
    for (int k = 0; k < steps; ++k) {
        TPhysics::Update();
        for (const auto* changes : {&TPhysics::ContactBegins(), &TPhysics::ContactEnds()}) {
            hash.Add(static_cast<int>(changes->size()));
            if (count) *count += static_cast<int>(changes->size());
            for (const TContactChange& c : *changes) {
                hash.Add(c.id);
                hash.Add(c.x);
                hash.Add(c.y);
                hash.Add(c.mass->posX);
            }
        }
    }
    return hash.h;
}

inline std::uint64_t StepAndHash(int steps) {
    for (int k = 0; k < steps; ++k) TPhysics::Update();
    EXPECT_EQ(detail::TStepAccess::Of(*currentWorld).BrokenInvariant(*currentWorld), nullptr);
    return WorldHash();
}

// A world with a zone of each style (one with a response of its own), an
// advanced body with distance, pressure and compliant constraints, rigs and a
// picture, and a plain body.
struct Scenery {
    core::Ref<TAdvBody> adv = core::Make<TAdvBody>();
    core::Ref<TBody> plain = core::Make<TBody>();
    std::vector<core::Ref<TZone>> zones;

    static int Bouncy(TZone* zone, TMass* mass, float nx, float ny, float depth) {
        return TZone::ColDefault(zone, mass, nx, ny, depth * 1.5f);
    }

    explicit Scenery(bool ownResponse = true) {
        TPhysics::Create(400, 400, 0.1f, 0.01f, 3);
        TPhysics::SetGridSize(16);
        TPhysics::UseShiftedGrid(1);
        zones.push_back(TZone::Create({0, 300, 150, 350, 300, 300}, TZone::LINE, 0.5f, 0, 2));
        zones.push_back(TZone::Create({200, 200, 260, 200, 260, 240, 200, 240}, TZone::LOOP, 0.3f,
                                      0, 3));
        zones.push_back(TZone::Create({40, 150, 90, 150, 70, 190}, TZone::FILL, 0.8f, 0, 3));
        zones.push_back(
            TZone::Create({5, 5, 395, 5, 395, 395, 5, 395}, TZone::HOLE, 0.6f, 0, 4));
        if (ownResponse) zones[2]->OverrideCollision(&Bouncy);
        zones[1]->Position(5, -3);
        zones[1]->Rotate(12);
        for (int k = 0; k < 12; ++k) {
            const float a = 6.2831853f * k / 12;
            adv->MassAdd(200 + 30 * std::cos(a), 80 + 30 * std::sin(a), 1 + 0.1f * k, 4, 0.4f, -1);
        }
        for (int k = 0; k < 12; ++k) adv->ConAdd(k, (k + 1) % 12, 0, 0.6f);
        adv->ConAdd(0, 6, 0, 0.2f);
        adv->ConSetCompliance(12, 0.05f, 0.5f);
        std::vector<int> ring;
        for (int k = 0; k < 12; ++k) ring.push_back(k);
        adv->ConAddPressure(ring, 0, 0.5f);
        adv->images.Add(draw2d::TImage::Create(4, 4, 1, 0, 0, 0, 0));
        adv->RigAdd(0, 0, 12, 15);
        adv->RigAdd(0, 5, -1, 30);
        adv->Activate();
        for (int k = 0; k < 8; ++k) {
            core::Ref<TMass> a = TMass::Create(60 + 25.0f * k, 40, 1, 5, 0.5f, -1);
            core::Ref<TMass> b = TMass::Create(60 + 25.0f * k, 60, 2, 5, 0.5f, -1);
            TConstraint::Create(a, b, 0, 1)->Assign(plain);
        }
    }
};

} // namespace scene
