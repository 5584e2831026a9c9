#pragma once
// The drawing context and the module functions that draw through the current
// one. All calls belong to the thread that owns the graphics.

#include <vector>

#include "core/object.h"
#include "graphics/driver.h"
#include "graphics/surface.h"

namespace draw2d {

class TImage;
class TPixmap;

constexpr int BLEND_MASK = 1;
constexpr int BLEND_SOLID = 2;
constexpr int BLEND_ALPHA = 3;
constexpr int BLEND_ADD = 4;
constexpr int BLEND_MULTIPLY = 5;

/// A context bound to one native surface.
class TGraphics : public core::Object {
  public:
    /// The back end that draws this context.
    virtual TGraphicsDriver* Driver() const = 0;
    /// The native surface the context draws on.
    virtual TSurface* Surface() const = 0;
};

/// The drawing surface's context: the render state (colour, alpha, blend, transform, viewport,
/// origin, handle) that the module functions keep for one native surface, and the back end that
/// draws it.
class TDraw2DGraphics final : public TGraphics {
  public:
    /// A context for the surface, drawn by the driver.
    TDraw2DGraphics(TSurface* surface, TDraw2DDriver* driver);

    TGraphicsDriver* Driver() const override { return _driver; }
    TSurface* Surface() const override { return _graphics; }

    ///@{
    /// Drawing colour, 0 ... 255 each.
    int color_red = 255, color_green = 255, color_blue = 255;
    ///@}
    /// Drawing alpha, 0 ... 1.
    float color_alpha = 1.0f;
    ///@{
    /// Clear colour, 0 ... 255 each.
    int clscolor_red = 0, clscolor_green = 0, clscolor_blue = 0;
    ///@}
    /// Line width in pixels.
    float line_width = 1.0f;
    /// Rotation in degrees.
    float tform_rot = 0;
    ///@{
    /// Scale along each axis.
    float tform_scale_x = 1, tform_scale_y = 1;
    ///@}
    ///@{
    /// The 2x2 matrix made from rotation and scale.
    float tform_ix = 1, tform_iy = 0, tform_jx = 0, tform_jy = 1;
    ///@}
    ///@{
    /// The viewport rectangle, surface pixels.
    int viewport_x = 0, viewport_y = 0, viewport_w = 0, viewport_h = 0;
    ///@}
    ///@{
    /// Where local (0, 0) lands on the surface.
    float origin_x = 0, origin_y = 0;
    ///@}
    ///@{
    float handle_x = 0, handle_y = 0; ///< stored negated
    ///@}
    /// The blend mode (BLEND_ constants).
    int blend_mode = BLEND_MASK;
    /// The native surface.
    core::Ref<TSurface> _graphics;
    /// The back end.
    core::Ref<TDraw2DDriver> _driver;
    /// 1 once the context was cleared and flipped on first use.
    int _setup = 0;
    unsigned _generation = 0; ///< the surface's context generation last seen
    /// What the back end keeps per native context (the OpenGL textures made in it).
    core::Ref<core::Object> _driverData;
};

/// A context for a native surface drawn by the given back end, or by the
/// surface's own (TSurface::NativeDriver) when none is given. Null without a
/// surface, or when neither gives a back end.
core::Ref<TGraphics> AttachGraphics(TSurface* surface, TDraw2DDriver* driver = nullptr);

/// Makes the context current (null: none). The first time a context is made
/// current it is cleared and flipped twice. Throws when its surface cannot be
/// made current.
void SetGraphics(TGraphics* graphics);
TGraphics* GetGraphics();
TDraw2DDriver* GetGraphicsDriver();
int GraphicsWidth();
int GraphicsHeight();
int GraphicsDepth();
int GraphicsHertz();
int GraphicsFlags();
/// Changes whenever another native context becomes current: image frames made
/// under an older number are made again.
int GraphicsSeq();

/// The flip hook chain, run by Flip before presenting.
extern const int flipHookId;

/// Every function below needs a current context and throws without one.
void SetColor(int red, int green, int blue);
void GetColor(int& red, int& green, int& blue);
void SetClsColor(int red, int green, int blue);
void GetClsColor(int& red, int& green, int& blue);
void SetAlpha(float alpha);
float GetAlpha();
void SetBlend(int mode);
int GetBlend();
void SetLineWidth(float width);
float GetLineWidth();
void SetViewport(int x, int y, int width, int height);
void GetViewport(int& x, int& y, int& width, int& height);
void SetRotation(float degrees);
float GetRotation();
void SetScale(float scaleX, float scaleY);
void GetScale(float& scaleX, float& scaleY);
void SetOrigin(float x, float y);
void GetOrigin(float& x, float& y);
void SetHandle(float x, float y);
void GetHandle(float& x, float& y);

void Cls();
void Plot(float x, float y);
void DrawLine(float x, float y, float x2, float y2, int lastPixel = 1);
void DrawRect(float x, float y, float width, float height);
void DrawOval(float x, float y, float width, float height);
void DrawPoly(const std::vector<float>& xy);
void DrawImage(TImage* image, float x, float y, int frame = 0);
void DrawPixmap(TPixmap* pixmap, int x, int y);
core::Ref<TPixmap> GrabPixmap(int x, int y, int width, int height);

/// sync 0 or 1 is passed on; -1 syncs when the graphics has a refresh rate,
/// or paces by sleeping for surfaces flagged GRAPHICS_SOFTSYNC.
void Flip(int sync = -1);

} // namespace draw2d
