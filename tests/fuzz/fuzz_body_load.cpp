// libFuzzer target: TAdvBody::Load on arbitrary bytes. A body that loads is
// also activated in a world, copied and renumbered.
//
// Load reads from a path, so each input goes to a file of this process. A
// picture for slot 0 lies beside it, so files that keep their images
// separately (all versions before 111) can load too.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "graphics/draw2d.h"
#include "physics/tangle.h"

namespace {

using namespace kel::tangle;

struct Scratch {
    std::string dir = "/tmp/fuzz_body_load_" + std::to_string(getpid());
    std::string body = dir + "/input.tnb";
    Scratch() {
        std::string make = "mkdir -p " + dir;
        if (std::system(make.c_str()) != 0) std::abort();
        auto pixmap = draw2d::CreatePixmap(2, 2, draw2d::PIXEL_RGBA);
        pixmap->ClearPixels(0xff336699u);
        if (!draw2d::SavePixmapPNG(pixmap, dir + "/input_img0.png", 5)) std::abort();
        TPhysics::Create(1000, 1000, 0.1f, 0, 2);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Scratch scratch;
    std::FILE* f = std::fopen(scratch.body.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);

    core::Ref<TAdvBody> body = TAdvBody::Load(scratch.body, 1);
    if (!body) return 0;
    core::Ref<TAdvBody> copy = body->Copy();
    copy->CleanIndex();
    copy->Activate();
    TPhysics::Update();
    body->DeActivate();
    copy->Clear();
    return 0;
}
