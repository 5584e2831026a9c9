// The barrel: a heavy centre mass, its reference mass, that fills the
// middle, and four corner masses that give it its box shape, all joined to
// each other. The masses share a group of their own, so a barrel never
// collides with itself, and every loaded or copied barrel gets a fresh one.

#include "graphics/draw2d.h"
#include "tools/media/level.h"
#include "tools/media/pictures.h"

namespace media {
namespace {

constexpr float kCentreRadius = 17, kCornerRadius = 7;
constexpr float kMassPerPoint = 1;
constexpr float kFriction = 0.3f;
// Stored as -1: whoever loads or copies the barrel gives it a fresh group.
constexpr int kOwnGroup = -1;

} // namespace

core::Ref<kel::tangle::TAdvBody> BuildBarrel() {
    using kel::tangle::TAdvBody;
    core::Ref<TAdvBody> barrel = core::Make<TAdvBody>();
    barrel->SetName("Barrel");
    const float cx = kBarrelHalfWidth - kCornerRadius, cy = kBarrelHalfHeight - kCornerRadius;
    const Point points[] = {{0, 0}, {-cx, -cy}, {cx, -cy}, {cx, cy}, {-cx, cy}};
    for (const Point& p : points) {
        const float radius = (&p == points) ? kCentreRadius : kCornerRadius;
        const int i = barrel->MassAdd(p.x, p.y, kMassPerPoint, radius, kFriction, 0);
        barrel->MassGet(i)->colGroup = kOwnGroup;
    }
    constexpr int count = static_cast<int>(std::size(points));
    for (int a = 0; a < count; ++a)
        for (int b = a + 1; b < count; ++b) barrel->ConAdd(a, b, 0, 1);

    const int w = static_cast<int>(2 * kBarrelHalfWidth),
              h = static_cast<int>(2 * kBarrelHalfHeight);
    core::Ref<draw2d::TImage> picture = draw2d::LoadImage(PaintBarrel(w, h), 6);
    draw2d::MidHandleImage(picture);
    const int image = barrel->ImageAdd(picture);
    // Pinned to the centre and turned by the top edge (corner 1 to corner 2),
    // which points along +x while the barrel stands upright.
    const int topEdge = 4; // constraint of masses 1 and 2, in the order above
    const int rig = barrel->RigAdd(image, 0, topEdge, 0);
    barrel->RigSetBlend(rig, draw2d::BLEND_ALPHA);
    barrel->RigSetName(rig, "Barrel");
    return barrel;
}

} // namespace media
