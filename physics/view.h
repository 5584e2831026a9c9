#pragma once
// The view of a world: which world point sits at the centre of the drawing
// area, the zoom and the rotation, the conversions between world and screen,
// and the drawing functions that take world coordinates. TPhysics carries it;
// the class functions act on the current world.

#include <vector>

namespace draw2d {
class TImage;
}

namespace kel::tangle {

/// The view of a world (see the file's notes). Its class functions act on the current world's view;
/// without a world they do nothing, and the conversions use the identity view.
class TWorldView {
  public:
    ///@{
    float drawOffsetX = 0, drawOffsetY = 0; ///< screen position of world (0, 0)
    ///@}
    float drawScale = 1;                    ///< screen pixels per world unit
    ///@{
    float centerX = 0, centerY = 0;         ///< world point at the centre of the drawing area
    ///@}
    float drawRot = 0;                      ///< degrees, clockwise on a y-down screen
    ///@{
    /// screen = offset + (x * drawIX + y * drawIY, x * drawJX + y * drawJY)
    float drawIX = 1, drawIY = -0.0f, drawJX = 0, drawJY = 1;
    ///@}

    /// Centres on half the current graphics size. The offsets are left at 0,
    /// which is what that centre gives at zoom 1 and rotation 0.
    TWorldView();

    /// Puts world point (x, y) at the centre of the drawing area. Returns 0;
    /// -1 (nothing changed) for a value that is not finite.
    static int SetDrawCoords(float x, float y);
    /// Screen pixels per world unit. Returns 0; -1 (nothing changed) for a
    /// value that is not finite.
    static int SetDrawZoom(float zoom);
    /// Turns the view by `degrees`, clockwise on screen. Returns 0; -1
    /// (nothing changed) for a value that is not finite.
    static int SetDrawRotation(float degrees);
    /// Recomputes the transform for the current graphics size (after the drawing area changed).
    /// Returns 0.
    static int UpdateTransform();

    /// The screen x of world point (x, y).
    static float ScreenX(float x, float y) { return Current().ToScreenX(x, y); }
    /// The screen y of world point (x, y).
    static float ScreenY(float x, float y) { return Current().ToScreenY(x, y); }
    /// At zoom 0 every world point lands on the screen centre, so a screen
    /// point has no single world point: both give the view centre instead.
    static float SimX(float sx, float sy) { return Current().ToSimX(sx, sy); }
    /// The world y of screen point (sx, sy).
    static float SimY(float sx, float sy) { return Current().ToSimY(sx, sy); }
    /// The world x under the pointer (its last position over a drawing surface).
    static float MouseX();
    /// The world y under the pointer.
    static float MouseY();

    /// Each draws through the current graphics with the view applied and
    /// leaves the surface's state as it was; without graphics they draw nothing.
    static int DrawImage(draw2d::TImage* image, float x, float y, int frame);
    /// A filled polygon of world x, y pairs, moved by (x, y). Returns 0.
    static int DrawPoly(const std::vector<float>& xy, float x, float y);
    /// A line between two world points. Returns 0.
    static int DrawLine(float x1, float y1, float x2, float y2);
    /// A filled oval in the world box (x, y, width, height). Returns 0.
    static int DrawOval(float x, float y, float width, float height);
    /// A filled box at world (x, y) of that size. Returns 0.
    static int DrawRect(float x, float y, float width, float height);

    /// The screen x of world (x, y) through this view.
    float ToScreenX(float x, float y) const { return drawOffsetX + x * drawIX + y * drawIY; }
    /// The screen y of world (x, y) through this view.
    float ToScreenY(float x, float y) const { return drawOffsetY + x * drawJX + y * drawJY; }
    /// The world x of screen (sx, sy) through this view.
    float ToSimX(float sx, float sy) const {
        const float scale2 = drawScale * drawScale;
        if (scale2 == 0) return centerX;
        return ((sx - drawOffsetX) * drawIX + (sy - drawOffsetY) * -drawIY) / scale2;
    }
    /// The world y of screen (sx, sy) through this view.
    float ToSimY(float sx, float sy) const {
        const float scale2 = drawScale * drawScale;
        if (scale2 == 0) return centerY;
        return ((sx - drawOffsetX) * -drawJX + (sy - drawOffsetY) * drawJY) / scale2;
    }
    /// Recomputes the transform from centre, zoom and rotation for the current graphics size.
    void Recompute();

    /// The current world's view; the identity view while there is no world.
    static const TWorldView& Current();

  private:
    struct Identity {};
    explicit TWorldView(Identity) {}
};

} // namespace kel::tangle
