// The rock: a craggy cliff face. Its copies stand with their origins on the
// side walls, half of each outside the world, so the shape is symmetric about
// its origin; its profile repeats every half world height so that the copies
// at heights 500 and 1500 join into one face on each wall.

#include <cmath>
#include <numbers>

#include "graphics/draw2d.h"
#include "tools/media/level.h"
#include "tools/media/pictures.h"

namespace media {
namespace {

constexpr float kPeriod = 1000;      // the distance between the copies' heights
constexpr float kVertexStep = 12.5f; // outline resolution along the face
constexpr float kPictureScale = 1;   // world units per picture pixel
constexpr float kPictureMargin = 6;  // pixels around the outline for its rim

// Waves of the face: slow bulges and finer crags. Their slopes stay steep
// (well under one unit out per two down) so a barrel never rests on them.
struct Wave {
    float amplitude;
    int cycles; // per period, so the profile repeats exactly
    float phase;
};
constexpr Wave kWaves[] = {{14, 2, 0.7f}, {4.5f, 5, 2.1f}, {1.5f, 11, 0.3f}, {0.8f, 17, 4.0f}};
constexpr float kBaseHalfWidth = 145;

} // namespace

float RockHalfWidth(float y) {
    float w = kBaseHalfWidth;
    for (const Wave& wave : kWaves)
        w += wave.amplitude *
             std::sin(2 * std::numbers::pi_v<float> * wave.cycles * y / kPeriod + wave.phase);
    return w;
}

float CliffFace(float worldY) { return RockHalfWidth(worldY - kRockHeights[0]); }

std::vector<float> RockOutline() {
    const int steps = static_cast<int>(std::lround(2 * kRockHalfHeight / kVertexStep));
    std::vector<float> xy;
    for (int i = 0; i <= steps; ++i) { // right face, top to bottom
        const float y = -kRockHalfHeight + 2 * kRockHalfHeight * i / steps;
        xy.push_back(RockHalfWidth(y));
        xy.push_back(y);
    }
    for (int i = steps; i >= 0; --i) { // left face, bottom to top
        const float y = -kRockHalfHeight + 2 * kRockHalfHeight * i / steps;
        xy.push_back(-RockHalfWidth(y));
        xy.push_back(y);
    }
    return xy;
}

core::Ref<kel::tangle::TZone> BuildRock() {
    using kel::tangle::TZone;
    std::vector<float> outline = RockOutline();
    float halfWidth = 0;
    for (std::size_t i = 0; i < outline.size(); i += 2)
        halfWidth = std::max(halfWidth, std::fabs(outline[i]));
    const int width = static_cast<int>(std::ceil(2 * (halfWidth / kPictureScale + kPictureMargin)));
    const int height =
        static_cast<int>(std::ceil(2 * (kRockHalfHeight / kPictureScale + kPictureMargin)));
    // The picture is painted from the outline stretched past its top and
    // bottom, so the cut ends carry no rim: where copies meet, the stone
    // runs on. It is lit evenly for the same reason.
    std::vector<float> pixels(outline.size());
    for (std::size_t i = 0; i < outline.size(); i += 2) {
        const float y = outline[i + 1];
        const float stretched = std::fabs(y) >= kRockHalfHeight ? y * 1.1f : y;
        pixels[i] = outline[i] / kPictureScale + width * 0.5f;
        pixels[i + 1] = stretched / kPictureScale + height * 0.5f;
    }
    core::Ref<draw2d::TImage> picture =
        draw2d::LoadImage(PaintRock(pixels, width, height, 11, 0), 6);
    draw2d::SetImageHandle(picture, width * 0.5f, height * 0.5f);

    core::Ref<TZone> rock = TZone::Create(std::move(outline), TZone::FILL, 0.2f, kRockGroup, 6);
    rock->SetName("Rock");
    rock->ImageSet(picture);
    rock->ImageSetScale(kPictureScale, kPictureScale);
    rock->SetBlend(draw2d::BLEND_ALPHA);
    return rock;
}

} // namespace media
