// A program that wants the physics alone: it links Quorvel::tangle and runs
// without a display. A zone catches a falling body; the body, with a picture
// inside, is saved and loaded back.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "graphics/draw2d.h"
#include "physics/tangle.h"

using namespace kel::tangle;

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "physics_only: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY")) return Fail("DISPLAY is set: this check must run without one");
    const std::string file = std::string(argc > 1 ? argv[1] : ".") + "/box.tnb";

    core::Ref<TPhysics> world = TPhysics::Create(400, 400, 0.2f, 0, 2);
    core::Ref<TZone> floor =
        TZone::Create({0, 300, 400, 300, 400, 400, 0, 400}, TZone::FILL, 0.5f, -1, 4);
    if (!floor) return Fail("no zone");

    core::Ref<TAdvBody> box = core::Make<TAdvBody>();
    box->MassAdd(190, 100, 1, 4, 0.5f, -1);
    box->MassAdd(210, 100, 1, 4, 0.5f, -1);
    box->ConAdd(0, 1, 0, 1);
    core::Ref<draw2d::TImage> picture = draw2d::TImage::Create(8, 4, 1, 0, 0, 0, 0);
    picture->Lock(0, 1, 1)->pixels[0] = 200;
    box->ImageAdd(picture);
    box->Activate();

    for (int step = 0; step < 600; ++step) TPhysics::Update();
    const float y = box->MassGet(0)->GetY();
    if (!(y > 280 && y < 300)) {
        std::fprintf(stderr, "y = %g\n", y);
        return Fail("the body did not come to rest on the zone");
    }

    box->Save(file, 0, 1);
    core::Ref<TAdvBody> loaded = TAdvBody::Load(file, 0);
    if (!loaded) return Fail("the saved body did not load");
    draw2d::TImage* back = loaded->ImageGet(0);
    if (!back || back->width != 8 || back->height != 4)
        return Fail("the picture did not come back");
    if (back->Lock(0, 1, 0)->pixels[0] != 200) return Fail("the picture's pixels changed");
    if (!loaded->Copy()) return Fail("copy failed");
    std::puts("physics_only: ok");
    return 0;
}
