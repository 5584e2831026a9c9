#include "tools/samples/sample_files.h"

#include <filesystem>

#include "core/error.h"
#include "graphics/draw2d.h"
#include "samples/sample_files.h"
#include "tools/media/paint.h"

namespace sample_files {

namespace {

using namespace kel::tangle;

constexpr float kCornerRadius = 6, kCentreRadius = 14;
constexpr float kMass = 1, kFriction = 0.5f, kStiffness = 1;
// Stored as -1: each loaded or copied crate gets a group of its own.
constexpr int kOwnGroup = -1;
constexpr int kImageFlags = draw2d::IMAGE_FILTERED | draw2d::IMAGE_MIPMAPPED;
constexpr int kTreeLevel = 5;
constexpr float kRampFriction = 0.4f;

// Planks in a frame with a cross brace, painted with the game's painter.
core::Ref<draw2d::TPixmap> PaintCrate(int size) {
    core::Ref<draw2d::TPixmap> canvas = media::NewCanvas(size, size);
    media::Painter p(canvas);
    const float s = static_cast<float>(size);
    const media::Color wood = media::Rgb(176, 124, 70), dark = media::Rgb(96, 62, 32);
    p.Fill(media::RoundRect{0, 0, s, s, 4}, media::Solid{wood});
    p.Stroke(media::RoundRect{2, 2, s - 4, s - 4, 3}, 3, media::Solid{dark});
    p.Fill(media::Capsule{6, 6, s - 6, s - 6, 2.5f, 2.5f}, media::Solid{dark});
    p.Fill(media::Capsule{6, s - 6, s - 6, 6, 2.5f, 2.5f}, media::Solid{dark});
    return canvas;
}

void Check(const std::filesystem::path& path) {
    if (!std::filesystem::is_regular_file(path))
        throw core::RuntimeError("Cannot write " + path.string());
}

} // namespace

core::Ref<TAdvBody> BuildCrate() {
    core::Ref<TAdvBody> crate = core::Make<TAdvBody>();
    crate->SetName("Crate");
    const float c = samples::kCrateHalfSize - kCornerRadius;
    // Centre first: it is the reference mass, where the picture is pinned.
    const float points[samples::kCrateMasses][2] = {{0, 0}, {-c, -c}, {c, -c}, {c, c}, {-c, c}};
    for (const auto& p : points) {
        const float radius = (&p == points) ? kCentreRadius : kCornerRadius;
        const int i = crate->MassAdd(p[0], p[1], kMass, radius, kFriction, 0);
        crate->MassGet(i)->colGroup = kOwnGroup;
    }
    for (int a = 0; a < samples::kCrateMasses; ++a)
        for (int b = a + 1; b < samples::kCrateMasses; ++b) crate->ConAdd(a, b, 0, kStiffness);
    core::Ref<draw2d::TImage> picture =
        draw2d::LoadImage(PaintCrate(samples::kCratePictureSize), kImageFlags);
    draw2d::MidHandleImage(picture);
    const int image = crate->ImageAdd(picture);
    // Turned by the top edge: corners 1 and 2, the constraint after the
    // centre's four.
    const int topEdge = samples::kCrateMasses - 1;
    const int rig = crate->RigAdd(image, 0, topEdge, 0);
    crate->RigSetBlend(rig, draw2d::BLEND_ALPHA);
    crate->RigSetName(rig, "Crate");
    return crate;
}

core::Ref<TZone> BuildRamp() {
    core::Ref<TZone> ramp = TZone::Create({0, 420, 520, 540, 520, 600, 0, 600}, TZone::FILL,
                                          kRampFriction, -1, kTreeLevel);
    ramp->SetName("Ramp");
    ramp->SetColor(110, 140, 90);
    return ramp;
}

void WriteSampleFiles(const std::string& folder) {
    std::filesystem::create_directories(folder);
    const std::filesystem::path dir(folder);
    const std::filesystem::path crate = dir / samples::kCrateFile, ramp = dir / samples::kRampFile;
    // Old files go first so that a failed save cannot pass for a good one.
    for (const auto& path : {crate, ramp}) std::filesystem::remove(path);
    BuildCrate()->Save(crate.string(), 0, 1);
    Check(crate);
    BuildRamp()->Save(ramp.string(), 0, 1);
    Check(ramp);
}

} // namespace sample_files
