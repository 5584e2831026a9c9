// Snapshots: a world taken at one moment and put back, exact to the bit. A
// ball is dropped on a small heap; the world is taken, stepped, put back
// and stepped again, and both runs end in the same place. Then the same
// world goes through a world file.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "physics/tangle.h"

using namespace kel::tangle;

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    core::Ref<TPhysics> world = TPhysics::Create(400, 300, 0.1f, 0, 2);
    TPhysics::UseShiftedGrid(1);
    core::Ref<TBody> heap = core::Make<TBody>();
    std::vector<core::Ref<TMass>> masses;
    for (int k = 0; k < 20; ++k) {
        masses.push_back(TMass::Create(150 + 10.0f * (k % 10), 290 - 10.0f * (k / 10), 1, 5,
                                       0.5f, -1));
        if (k % 2) TConstraint::Create(masses[k - 1], masses[k], 0, 0.5f)->Assign(heap);
    }
    core::Ref<TMass> ball = TMass::Create(190, 20, 4, 12, 0.5f, -1);
    core::Ref<TMass> tail = TMass::Create(190, 45, 1, 4, 0.5f, -1);
    TConstraint::Create(ball, tail, 0, 1)->Assign(heap);
    masses.push_back(ball);
    masses.push_back(tail);

    // [snapshot]
    // Take the world as it is now. The bodies are named, since the world
    // itself only knows their constraints.
    core::Ref<TWorldSnapshot> start = TPhysics::TakeSnapshot({heap});

    for (int step = 0; step < 300; ++step) TPhysics::Update();
    const float firstX = ball->GetX(), firstY = ball->GetY();

    // Put it back: the same objects get back their state, and whatever was
    // added since leaves the world. References held stay valid.
    TPhysics::RestoreSnapshot(start);
    for (int step = 0; step < 300; ++step) TPhysics::Update();
    std::printf("ball after 300 steps: (%.3f, %.3f), and again: (%.3f, %.3f)\n", firstX, firstY,
                ball->GetX(), ball->GetY());
    // [/snapshot]

    // The runs agree bit for bit, not just nearly.
    if (std::memcmp(&firstX, &ball->posX, sizeof firstX) != 0 ||
        std::memcmp(&firstY, &ball->posY, sizeof firstY) != 0) {
        std::fprintf(stderr, "snapshots: the two runs differ\n");
        return 1;
    }

    // [world-file]
    // The same as a file: SaveWorld(path, backup, bodies), which gives 0
    // when written and -1 when not, and LoadWorld(path, error). The loaded
    // bodies come with the returned snapshot; keep it.
    TPhysics::RestoreSnapshot(start);
    const std::string path = folder + "/heap.tnw";
    if (TPhysics::SaveWorld(path, 0, {heap}) != 0) {
        std::fprintf(stderr, "snapshots: %s could not be written\n", path.c_str());
        return 1;
    }
    std::string error;
    core::Ref<TWorldSnapshot> loaded = TPhysics::LoadWorld(path, error);
    if (!loaded) {
        std::fprintf(stderr, "snapshots: %s\n", error.c_str());
        return 1;
    }
    // [/world-file]

    // The loaded world holds new objects in the same order: its ball is the
    // second last mass of the world's list, and it lands where the first did.
    for (int step = 0; step < 300; ++step) TPhysics::Update();
    const auto* loadedBall = static_cast<const TMass*>(massList->LastLink()->PrevLink()->Value());
    if (std::memcmp(&firstX, &loadedBall->posX, sizeof firstX) != 0) {
        std::fprintf(stderr, "snapshots: the loaded world went elsewhere\n");
        return 1;
    }
    std::remove(path.c_str());
    return 0;
}
