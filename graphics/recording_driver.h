#pragma once
// A drawing back end without any GL that records what is drawn: each
// primitive and image draw with its points already transformed to the screen
// and the state it was drawn with. Tests of code that draws use it, with a
// recording surface, without a display.

#include <vector>

#include "core/object.h"
#include "graphics/driver.h"
#include "graphics/surface.h"

namespace draw2d {

class TImage;

enum class DrawKind { Cls, Plot, Line, Rect, Oval, Poly, Image, Pixmap, Flip };

/// One drawing call as the recording back end saw it: its kind, its points in screen space and the
/// state it was drawn with.
struct TDrawRecord {
    /// What was drawn.
    DrawKind kind = DrawKind::Cls;
    /// Screen points: Plot and Pixmap 1, Line 2, Rect, Oval and Image the four
    /// corners of the box in the order (x0,y0) (x1,y0) (x1,y1) (x0,y1), Poly its
    /// vertices; as x, y pairs.
    std::vector<float> points;
    ///@{
    /// Drawing colour, 0 ... 255 each.
    int red = 255, green = 255, blue = 255;
    ///@}
    /// Alpha, 0 ... 1.
    float alpha = 1;
    /// Blend mode.
    int blend = 1;
    ///@{
    /// Rotation (degrees) and scale of the surface state.
    float rotation = 0, scaleX = 1, scaleY = 1;
    ///@}
    /// Line width in pixels.
    float lineWidth = 1;
    ///@{
    /// Clear colour (Cls), 0 ... 255 each.
    int clsRed = 0, clsGreen = 0, clsBlue = 0;
    ///@}
    ///@{
    /// The viewport rectangle.
    int viewportX = 0, viewportY = 0, viewportWidth = 0, viewportHeight = 0;
    ///@}
    core::Ref<TImage> image; ///< Image: the image, when drawn by DrawImage
    int frame = -1;          ///< Image: its frame number
    int sync = 0;            ///< Flip: the sync passed on
};

/// The recording back end: draws nothing and records every call (RecordsOf, Records) so that code
/// that draws can be tested without a display.
class TRecordingDriver final : public TDraw2DDriver {
  public:
    /// Every record since the last Clear, in drawing order.
    const std::vector<TDrawRecord>& Records() const { return records_; }
    /// Forgets every record.
    void Clear() { records_.clear(); }
    /// Records of one kind, in drawing order.
    std::vector<TDrawRecord> RecordsOf(DrawKind kind) const;

    bool SetGraphics(TDraw2DGraphics* graphics) override;
    void Flip(int sync) override;
    core::Ref<TImageFrame> CreateFrameFromPixmap(TPixmap* pixmap, int flags) override;
    void SetBlend(int mode) override { state_.blend = mode; }
    void SetAlpha(float alpha) override { state_.alpha = alpha; }
    void SetColor(int red, int green, int blue) override {
        state_.red = red, state_.green = green, state_.blue = blue;
    }
    void SetClsColor(int red, int green, int blue) override {
        state_.clsRed = red, state_.clsGreen = green, state_.clsBlue = blue;
    }
    void SetViewport(int x, int y, int width, int height) override {
        state_.viewportX = x, state_.viewportY = y;
        state_.viewportWidth = width, state_.viewportHeight = height;
    }
    void SetTransform(float ix, float iy, float jx, float jy) override {
        matrix_ = {ix, iy, jx, jy};
    }
    void SetLineWidth(float width) override { state_.lineWidth = width; }
    void Cls() override;
    void Plot(float x, float y) override;
    void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawPoly(const std::vector<float>& xy, float hx, float hy, float tx, float ty) override;
    void DrawPixmap(TPixmap* pixmap, int x, int y) override;
    core::Ref<TPixmap> GrabPixmap(int x, int y, int width, int height) override;
    void DrawFrame(TImageFrame* frame, TImage* image, int index, float x0, float y0, float x1,
                   float y1, float tx, float ty) override;

    /// For the frames of this back end.
    void RecordBox(DrawKind kind, float x0, float y0, float x1, float y1, float tx, float ty,
                   TImage* image = nullptr, int frame = -1);

  private:
    TDrawRecord& Add(DrawKind kind);

    TDraw2DGraphics* graphics_ = nullptr;
    TDrawRecord state_;
    Matrix2D matrix_;
    std::vector<TDrawRecord> records_;
};

/// A surface without any native context, for the recording back end.
core::Ref<TSurface> CreateRecordingSurface(int width, int height, int hertz = 0, int flags = 0);

} // namespace draw2d
