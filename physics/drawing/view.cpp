#include "physics/view.h"

#include "graphics/graphics.h"
#include "graphics/pointer.h"
#include "physics/zones/degmath.h"
#include "physics/step/finite.h"
#include "physics/world.h"

namespace kel::tangle {

TWorldView::TWorldView()
    : centerX(static_cast<float>(draw2d::GraphicsWidth()) * 0.5f),
      centerY(static_cast<float>(draw2d::GraphicsHeight()) * 0.5f) {}

const TWorldView& TWorldView::Current() {
    static const TWorldView identity{Identity{}};
    if (const TPhysics* w = currentWorld) return *w;
    return identity;
}

void TWorldView::Recompute() {
    const float c = static_cast<float>(DegCos(drawRot));
    const float s = static_cast<float>(DegSin(drawRot));
    drawIX = c * drawScale;
    drawIY = -s * drawScale;
    drawJX = s * drawScale;
    drawJY = c * drawScale;
    const float width = static_cast<float>(draw2d::GraphicsWidth());
    const float height = static_cast<float>(draw2d::GraphicsHeight());
    drawOffsetX = -centerX * drawIX - centerY * drawIY + width * 0.5f;
    drawOffsetY = -centerX * drawJX - centerY * drawJY + height * 0.5f;
}

int TWorldView::UpdateTransform() {
    if (TPhysics* w = currentWorld) w->Recompute();
    return 0;
}

int TWorldView::SetDrawCoords(float x, float y) {
    if (!detail::AllFinite(x, y)) return -1;
    if (TPhysics* w = currentWorld) {
        w->centerX = x;
        w->centerY = y;
        w->Recompute();
    }
    return 0;
}

int TWorldView::SetDrawZoom(float zoom) {
    if (!detail::AllFinite(zoom)) return -1;
    if (TPhysics* w = currentWorld) {
        w->drawScale = zoom;
        w->Recompute();
    }
    return 0;
}

int TWorldView::SetDrawRotation(float degrees) {
    if (!detail::AllFinite(degrees)) return -1;
    if (TPhysics* w = currentWorld) {
        w->drawRot = degrees;
        w->Recompute();
    }
    return 0;
}

float TWorldView::MouseX() {
    return SimX(static_cast<float>(draw2d::PointerX()), static_cast<float>(draw2d::PointerY()));
}

float TWorldView::MouseY() {
    return SimY(static_cast<float>(draw2d::PointerX()), static_cast<float>(draw2d::PointerY()));
}

} // namespace kel::tangle
