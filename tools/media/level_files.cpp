#include <filesystem>

#include "core/error.h"
#include "tools/media/level.h"

namespace media {

namespace {

// Save reports nothing, so a file that is not there afterwards failed.
void Check(const std::filesystem::path& path) {
    if (!std::filesystem::is_regular_file(path))
        throw core::RuntimeError("Cannot write " + path.string());
}

} // namespace

int WriteLevelFiles(const std::string& folder) {
    std::filesystem::create_directories(folder);
    const std::filesystem::path dir(folder);
    const std::filesystem::path rock = dir / "rock.tnz", ooze = dir / "ooze.tnb",
                                barrel = dir / "barrel.tnb";
    // Old files go first so that a failed save cannot pass for a good one.
    for (const auto& path : {rock, ooze, barrel}) std::filesystem::remove(path);
    BuildRock()->Save(rock.string(), 0, 1);
    Check(rock);
    BuildOoze()->Save(ooze.string(), 0, 1);
    Check(ooze);
    BuildBarrel()->Save(barrel.string(), 0, 1);
    Check(barrel);
    return 3;
}

} // namespace media
