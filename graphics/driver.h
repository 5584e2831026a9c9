#pragma once
// The back-end interface of the drawing surface. Shapes arrive in their local
// frame (already offset by the handle) with a translation; a back end maps a
// local point (x, y) to (x*ix + y*iy + tx, x*jx + y*jy + ty) with the matrix
// last given to SetTransform.

#include <vector>

#include "core/object.h"
#include "graphics/image_frame.h"

namespace draw2d {

class TDraw2DGraphics;
class TImage;
class TPixmap;

/// The 2x2 part of the drawing transform.
struct Matrix2D {
    ///@{
    /// The matrix: a local point (x, y) goes to (x*ix + y*iy, x*jx + y*jy).
    float ix = 1, iy = 0, jx = 0, jy = 1;
    ///@}
    /// The transformed x of a local point, moved by tx.
    float X(float x, float y, float tx) const { return x * ix + y * iy + tx; }
    /// The transformed y of a local point, moved by ty.
    float Y(float x, float y, float ty) const { return x * jx + y * jy + ty; }
};

/// What every drawing back end does: take a context and present its frames.
class TGraphicsDriver : public core::Object {
  public:
    /// Makes the context's surface current and resets the API state for it;
    /// false when the surface cannot be made current.
    virtual bool SetGraphics(TDraw2DGraphics* graphics) = 0;
    /// Presents the frame; sync 1 waits for vertical retrace, 0 does not.
    virtual void Flip(int sync) = 0;
};

/// A drawing back end: the drawing surface's module functions call it with the state and the
/// shapes, already in screen space apart from the transform. The OpenGL back end and the recording
/// back end are the two the system has.
class TDraw2DDriver : public TGraphicsDriver {
  public:
    /// The drawable form of a pixmap, or null when the back end makes none.
    virtual core::Ref<TImageFrame> CreateFrameFromPixmap(TPixmap* pixmap, int flags) = 0;
    /// Blend mode: one of the BLEND_ constants.
    virtual void SetBlend(int mode) = 0;
    /// Alpha for what follows, 0 ... 1.
    virtual void SetAlpha(float alpha) = 0;
    /// Colour for what follows, 0 ... 255 each.
    virtual void SetColor(int red, int green, int blue) = 0;
    /// Colour that Cls clears to, 0 ... 255 each.
    virtual void SetClsColor(int red, int green, int blue) = 0;
    /// The rectangle drawing is clipped to, in surface pixels.
    virtual void SetViewport(int x, int y, int width, int height) = 0;
    /// The 2x2 matrix applied to local points (see Matrix2D).
    virtual void SetTransform(float ix, float iy, float jx, float jy) = 0;
    /// Width of lines in pixels.
    virtual void SetLineWidth(float width) = 0;
    /// Clears the viewport to the clear colour.
    virtual void Cls() = 0;
    /// One pixel at a screen point.
    virtual void Plot(float x, float y) = 0;
    /// A line between two local points, moved by (tx, ty).
    virtual void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
    /// A filled box between two local corners, moved by (tx, ty).
    virtual void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
    /// A filled oval inside the local box, moved by (tx, ty).
    virtual void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
    /// A filled polygon of local x, y pairs, offset by the handle (hx, hy) and moved by (tx, ty).
    virtual void DrawPoly(const std::vector<float>& xy, float hx, float hy, float tx, float ty) = 0;
    /// Pixels copied to the surface unscaled, top-left at (x, y).
    virtual void DrawPixmap(TPixmap* pixmap, int x, int y) = 0;
    /// The surface's pixels as an RGBA pixmap, or null when the back end has none.
    virtual core::Ref<TPixmap> GrabPixmap(int x, int y, int width, int height) = 0;
    /// Draws frame `index` of an image through its drawable form; the
    /// recording back end overrides it to note the image.
    virtual void DrawFrame(TImageFrame* frame, TImage* image, int index, float x0, float y0,
                           float x1, float y1, float tx, float ty) {
        (void)image, (void)index;
        frame->Draw(x0, y0, x1, y1, tx, ty);
    }
};

/// Segments of an oval with these radii: at least 12, a multiple of 4,
/// growing with its size.
int OvalSegments(float rx, float ry);

} // namespace draw2d
