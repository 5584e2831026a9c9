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
    float ix = 1, iy = 0, jx = 0, jy = 1;
    float X(float x, float y, float tx) const { return x * ix + y * iy + tx; }
    float Y(float x, float y, float ty) const { return x * jx + y * jy + ty; }
};

class TGraphicsDriver : public core::Object {
  public:
    /// Makes the context's surface current and resets the API state for it;
    /// false when the surface cannot be made current.
    virtual bool SetGraphics(TDraw2DGraphics* graphics) = 0;
    /// Presents the frame; sync 1 waits for vertical retrace, 0 does not.
    virtual void Flip(int sync) = 0;
};

class TDraw2DDriver : public TGraphicsDriver {
  public:
    /// The drawable form of a pixmap, or null when the back end makes none.
    virtual core::Ref<TImageFrame> CreateFrameFromPixmap(TPixmap* pixmap, int flags) = 0;
    virtual void SetBlend(int mode) = 0;
    virtual void SetAlpha(float alpha) = 0;
    virtual void SetColor(int red, int green, int blue) = 0;
    virtual void SetClsColor(int red, int green, int blue) = 0;
    virtual void SetViewport(int x, int y, int width, int height) = 0;
    virtual void SetTransform(float ix, float iy, float jx, float jy) = 0;
    virtual void SetLineWidth(float width) = 0;
    virtual void Cls() = 0;
    virtual void Plot(float x, float y) = 0;
    virtual void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
    virtual void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
    virtual void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
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
