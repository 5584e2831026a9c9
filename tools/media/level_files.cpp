#include <filesystem>

#include "core/error.h"
#include "tools/media/level.h"

namespace media {

const std::vector<Point> kBarrelPlaces = {
    {231, 31},   {471, 31},   {591, 31},   {711, 31},   {351, 91},   {471, 91},   {591, 91},
    {711, 91},   {231, 151},  {351, 151},  {471, 151},  {591, 151},  {711, 151},  {231, 451},
    {351, 451},  {471, 451},  {591, 451},  {711, 451},  {440, 800},  {440, 860},  {200, 980},
    {200, 1040}, {200, 1100}, {200, 1160}, {200, 1220}, {800, 800},  {800, 860},  {800, 920},
    {800, 980},  {800, 1040}, {800, 1100}, {800, 1160}, {800, 1220}, {231, 1490}, {351, 1490},
    {471, 1490}, {591, 1490}, {711, 1460}};

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
