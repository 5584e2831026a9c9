#include "graphics/graphics.h"
#include "physics/zones/degmath.h"
#include "physics/view.h"
#include "physics/drawing/view_state.h"
#include "physics/zone.h"

namespace kel::tangle {

namespace {

// The outline in world coordinates; closed adds the last-to-first line.
void DrawOutline(const std::vector<float>& area, float ox, float oy, bool closed) {
    const std::size_t n = area.size() / 2;
    for (std::size_t k = 0; k + 1 < n; ++k) {
        TWorldView::DrawLine(area[2 * k] + ox, area[2 * k + 1] + oy, area[2 * k + 2] + ox,
                             area[2 * k + 3] + oy);
    }
    if (closed && n >= 2) {
        TWorldView::DrawLine(area[2 * (n - 1)] + ox, area[2 * (n - 1) + 1] + oy, area[0] + ox,
                             area[1] + oy);
    }
}

} // namespace

int TZone::Draw() {
    if (!draw2d::GetGraphics()) return 0;
    using namespace surface_state;
    Saved<Rotation> rotation;
    Saved<Scale> scale;
    Saved<Color> color;
    Saved<Alpha> savedAlpha;
    Saved<Blend> savedBlend;

    draw2d::SetBlend(blend);
    draw2d::SetColor(TruncToInt(color->red * red), TruncToInt(color->green * green),
                     TruncToInt(color->blue * blue));
    draw2d::SetAlpha(savedAlpha->value * alpha);
    if (image) {
        // The image's handle lies on the zone origin.
        draw2d::SetRotation(angle);
        draw2d::SetScale(scaleX * imgScaleX, scaleY * imgScaleY);
        TWorldView::DrawImage(image, offsetX, offsetY, 0);
        return 0;
    }
    draw2d::SetRotation(0);
    draw2d::SetScale(1, 1);
    switch (style) {
    case LINE:
        DrawOutline(area, offsetX, offsetY, false);
        break;
    case LOOP:
    case HOLE:
        DrawOutline(area, offsetX, offsetY, true);
        break;
    case FILL:
        TWorldView::DrawPoly(area, offsetX, offsetY);
        break;
    default:
        break;
    }
    return 0;
}

int TZone::DrawQuadTree(int fill) {
    if (quadTree) quadTree->Draw(offsetX, offsetY, fill);
    return 0;
}

} // namespace kel::tangle
