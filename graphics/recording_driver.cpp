#include "graphics/recording_driver.h"

#include <algorithm>

#include "graphics/graphics.h"
#include "graphics/image.h"
#include "graphics/pixmap.h"

namespace draw2d {
namespace {

class TRecordingSurface final : public TSurface {
  public:
    TRecordingSurface(int width, int height, int hertz, int flags)
        : width_(width), height_(height), hertz_(hertz), flags_(flags) {}
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    int Hertz() const override { return hertz_; }
    int Flags() const override { return flags_; }
    bool MakeCurrent() override { return true; }
    void SwapBuffers() override {}
    core::Ref<TDraw2DDriver> NativeDriver() override { return core::Make<TRecordingDriver>(); }

  private:
    int width_, height_, hertz_, flags_;
};

// A frame with nothing behind it: drawing it records the draw with the
// recording back end that is current. It holds no driver, since the driver's
// records hold images and images hold their frames.
class TRecordingFrame final : public TImageFrame {
  public:
    void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override {
        if (auto* driver = dynamic_cast<TRecordingDriver*>(GetGraphicsDriver()))
            driver->RecordBox(DrawKind::Image, x0, y0, x1, y1, tx, ty);
    }
};

} // namespace

core::Ref<TSurface> CreateRecordingSurface(int width, int height, int hertz, int flags) {
    return core::Make<TRecordingSurface>(std::max(width, 0), std::max(height, 0), hertz, flags);
}

std::vector<TDrawRecord> TRecordingDriver::RecordsOf(DrawKind kind) const {
    std::vector<TDrawRecord> out;
    std::copy_if(records_.begin(), records_.end(), std::back_inserter(out),
                 [kind](const TDrawRecord& r) { return r.kind == kind; });
    return out;
}

TDrawRecord& TRecordingDriver::Add(DrawKind kind) {
    TDrawRecord& r = records_.emplace_back(state_);
    r.kind = kind;
    // The back end sees only the matrix; rotation and scale come from the
    // context that draws.
    if (GetGraphics() == graphics_ && graphics_) {
        r.rotation = GetRotation();
        GetScale(r.scaleX, r.scaleY);
    }
    return r;
}

bool TRecordingDriver::SetGraphics(TDraw2DGraphics* graphics) {
    graphics_ = graphics;
    return graphics->_graphics->MakeCurrent();
}

void TRecordingDriver::Flip(int sync) {
    Add(DrawKind::Flip).sync = sync;
    if (graphics_ && GetGraphics() == graphics_) graphics_->_graphics->SwapBuffers();
}

core::Ref<TImageFrame> TRecordingDriver::CreateFrameFromPixmap(TPixmap* pixmap, int flags) {
    (void)flags;
    if (!pixmap) return nullptr;
    return core::Make<TRecordingFrame>();
}

void TRecordingDriver::Cls() { Add(DrawKind::Cls); }

void TRecordingDriver::Plot(float x, float y) { Add(DrawKind::Plot).points = {x, y}; }

void TRecordingDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) {
    const Matrix2D& m = matrix_;
    Add(DrawKind::Line).points = {m.X(x0, y0, tx), m.Y(x0, y0, ty), m.X(x1, y1, tx),
                                  m.Y(x1, y1, ty)};
}

void TRecordingDriver::RecordBox(DrawKind kind, float x0, float y0, float x1, float y1, float tx,
                                 float ty, TImage* image, int frame) {
    const Matrix2D& m = matrix_;
    TDrawRecord& r = Add(kind);
    r.points = {m.X(x0, y0, tx), m.Y(x0, y0, ty), m.X(x1, y0, tx), m.Y(x1, y0, ty),
                m.X(x1, y1, tx), m.Y(x1, y1, ty), m.X(x0, y1, tx), m.Y(x0, y1, ty)};
    r.image = image;
    r.frame = frame;
}

void TRecordingDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
    RecordBox(DrawKind::Rect, x0, y0, x1, y1, tx, ty);
}

void TRecordingDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) {
    RecordBox(DrawKind::Oval, x0, y0, x1, y1, tx, ty);
}

void TRecordingDriver::DrawPoly(const std::vector<float>& xy, float hx, float hy, float tx,
                                float ty) {
    if (xy.size() < 6 || xy.size() % 2) return; // as the real back end: nothing drawn
    TDrawRecord& r = Add(DrawKind::Poly);
    r.points.reserve(xy.size());
    for (std::size_t k = 0; k < xy.size(); k += 2) {
        const float x = xy[k] + hx, y = xy[k + 1] + hy;
        r.points.push_back(matrix_.X(x, y, tx));
        r.points.push_back(matrix_.Y(x, y, ty));
    }
}

void TRecordingDriver::DrawPixmap(TPixmap* pixmap, int x, int y) {
    (void)pixmap;
    Add(DrawKind::Pixmap).points = {float(x), float(y)};
}

core::Ref<TPixmap> TRecordingDriver::GrabPixmap(int x, int y, int width, int height) {
    (void)x, (void)y, (void)width, (void)height;
    return nullptr; // nothing is rendered
}

void TRecordingDriver::DrawFrame(TImageFrame* frame, TImage* image, int index, float x0, float y0,
                                 float x1, float y1, float tx, float ty) {
    (void)frame;
    RecordBox(DrawKind::Image, x0, y0, x1, y1, tx, ty, image, index);
}

} // namespace draw2d
