// The world drawing functions: draw2d calls with the view applied.

#include "graphics/graphics.h"
#include "physics/view.h"
#include "physics/drawing/view_state.h"

namespace kel::tangle {

namespace {

using namespace surface_state;

// The library raises no errors: without graphics there is nothing to draw on.
bool CanDraw() { return draw2d::GetGraphics() != nullptr; }

} // namespace

// The caller's scale is multiplied by the zoom; the image's handle lands on
// the world point.
int TWorldView::DrawImage(draw2d::TImage* image, float x, float y, int frame) {
    if (!CanDraw()) return 0;
    const TWorldView& v = Current();
    Saved<Rotation> rotation;
    Saved<Scale> scale;
    draw2d::SetScale(v.drawScale * scale->x, v.drawScale * scale->y);
    draw2d::SetRotation(rotation->degrees + v.drawRot);
    draw2d::DrawImage(image, v.ToScreenX(x, y), v.ToScreenY(x, y), frame);
    return 0;
}

// The zoom replaces the caller's scale; the vertices are offsets from the
// world point, turned and zoomed about it.
int TWorldView::DrawPoly(const std::vector<float>& xy, float x, float y) {
    if (!CanDraw()) return 0;
    const TWorldView& v = Current();
    Saved<Scale> scale;
    Saved<Rotation> rotation;
    Saved<Origin> origin;
    draw2d::SetScale(v.drawScale, v.drawScale);
    draw2d::SetOrigin(v.ToScreenX(x, y) + origin->x, v.ToScreenY(x, y) + origin->y);
    draw2d::SetRotation(v.drawRot + rotation->degrees);
    draw2d::DrawPoly(xy);
    return 0;
}

// The surface's own rotation, scale and origin still apply: callers draw
// lines with rotation 0 and scale 1.
int TWorldView::DrawLine(float x1, float y1, float x2, float y2) {
    if (!CanDraw()) return 0;
    const TWorldView& v = Current();
    draw2d::DrawLine(v.ToScreenX(x1, y1), v.ToScreenY(x1, y1), v.ToScreenX(x2, y2),
                     v.ToScreenY(x2, y2), 1);
    return 0;
}

namespace {

// The surface turns a shape about its top-left corner, so adding the view's
// rotation puts the box exactly where the view puts the world box.
template <void (*Shape)(float, float, float, float)>
void DrawViewBox(float x, float y, float width, float height) {
    if (!CanDraw()) return;
    const TWorldView& v = TWorldView::Current();
    Saved<Rotation> rotation;
    draw2d::SetRotation(v.drawRot + rotation->degrees);
    Shape(v.ToScreenX(x, y), v.ToScreenY(x, y), width * v.drawScale, height * v.drawScale);
}

} // namespace

int TWorldView::DrawOval(float x, float y, float width, float height) {
    DrawViewBox<draw2d::DrawOval>(x, y, width, height);
    return 0;
}

int TWorldView::DrawRect(float x, float y, float width, float height) {
    DrawViewBox<draw2d::DrawRect>(x, y, width, height);
    return 0;
}

} // namespace kel::tangle
