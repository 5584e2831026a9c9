// libFuzzer target: TPhysics::LoadWorld on arbitrary bytes. A world that
// loads is stepped, snapshotted, restored and saved again, so that whatever
// the loader let through meets the step and the writer.
//
// LoadWorld reads from a path, so each input goes to a file of this process.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "physics/tangle.h"

using namespace kel::tangle;

namespace {

std::string Scratch(const char* ext) {
    return "/tmp/fuzz_world_load_" + std::to_string(getpid()) + ext;
}

// A bent pass count or sleep count would only make the step take long.
constexpr int kMostPasses = 4;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = Scratch(".tnw"), again = Scratch("_again.tnw");
    if (!currentWorld) TPhysics::Create(1000, 1000, 0.1f, 0, 1);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);

    std::string error;
    core::Ref<TWorldSnapshot> loaded = TPhysics::LoadWorld(path, error);
    if (!loaded) {
        if (error.empty()) std::abort(); // a refusal always says why
        return 0;
    }
    TPhysics* w = currentWorld;
    if (w->i > kMostPasses || w->i < 0) w->i = kMostPasses;
    core::Ref<TWorldSnapshot> before = TPhysics::TakeSnapshot();
    TPhysics::Update();
    TPhysics::RestoreSnapshot(before);
    TPhysics::Update();
    std::vector<TBody*> bodies;
    for (int k = 0; k < loaded->BodyCount(); ++k) bodies.push_back(loaded->GetBody(k));
    // What was read can be written again: a save says so when it cannot.
    if (TPhysics::SaveWorld(again, 0, bodies) != 0) std::abort();
    std::remove(again.c_str());
    TColEvent::Flush();
    return 0;
}
