// A body saved to a file and loaded back: a triangle of masses built in the
// index tables of a TAdvBody, written as a .tnb file and read again, with
// the same slots in the same places.
#include <cstdio>
#include <string>

#include "physics/tangle.h"

using namespace kel::tangle;

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : ".";
    core::Ref<TPhysics> world = TPhysics::Create(400, 300, 0.1f, 0, 2);

    // [body-save]
    core::Ref<TAdvBody> triangle = core::Make<TAdvBody>();
    triangle->SetName("Triangle");
    // MassAdd returns the slot of the new mass: 0, 1, 2. The three share one
    // fresh collision group, so they never collide with each other.
    const int group = NewColGroup();
    const int top = triangle->MassAdd(200, 40, 1, 6, 0.5f, group);
    const int left = triangle->MassAdd(170, 90, 1, 6, 0.5f, group);
    const int right = triangle->MassAdd(230, 90, 1, 6, 0.5f, group);
    triangle->ConAdd(top, left, 0, 1); // constraint slots 0, 1, 2
    triangle->ConAdd(left, right, 0, 1);
    triangle->ConAdd(right, top, 0, 1);

    // Save(path, backup, embed): no backup of an older file; embed would put
    // the pictures (none here) inside the file. -1 when it cannot be written.
    const std::string path = folder + "/triangle.tnb";
    if (triangle->Save(path, 0, 1) != 0) {
        std::fprintf(stderr, "body_file: %s could not be written\n", path.c_str());
        return 1;
    }

    // Load(path, activate): none when the file is missing or no body file.
    core::Ref<TAdvBody> loaded = TAdvBody::Load(path, 1);
    if (!loaded) {
        std::fprintf(stderr, "body_file: %s did not load\n", path.c_str());
        return 1;
    }
    std::printf("%s: %d masses, %d constraints; mass %d at (%.0f, %.0f)\n",
                loaded->GetName().c_str(), loaded->MassMaxIndex() + 1, loaded->ConMaxIndex() + 1,
                left, loaded->MassGetX(left), loaded->MassGetY(left));
    // [/body-save]

    // A loaded body answers to the numbers the file uses, and it is active:
    // it falls.
    const bool same = loaded->GetName() == "Triangle" && loaded->MassMaxIndex() == 2 &&
                      loaded->ConMaxIndex() == 2 && loaded->ConGetMass1(1) == left &&
                      loaded->MassGetX(right) == 230;
    for (int step = 0; step < 30; ++step) TPhysics::Update();
    if (!same || !(loaded->MassGetY(top) > 40)) {
        std::fprintf(stderr, "body_file: the loaded body differs from the saved one\n");
        return 1;
    }
    return 0;
}
