// Feeds arbitrary bytes to the zone loader as a file, and puts any zone it
// accepts through the contact test, so that stored trees are queried too.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "physics/tangle.h"

using namespace kel::tangle;

namespace {

std::string ScratchFile() { return "/tmp/fuzz_zone_load_" + std::to_string(getpid()) + ".tnz"; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const core::Ref<TPhysics> world = TPhysics::Create(1000, 1000, 0.1f, 0, 1);
    static const std::string path = ScratchFile();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    core::Ref<TZone> zone = TZone::Load(path);
    if (zone) {
        for (float x : {-50.0f, 0.0f, 25.0f, 400.0f}) {
            core::Ref<TMass> m = TMass::Create(x, x * 0.5f, 1, 8, 0.5f, 1);
            zone->Collide(m);
        }
        zone->Free();
    }
    TColEvent::Flush();
    return 0;
}
