#include "graphics/graphics.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "core/error.h"
#include "core/hook.h"
#include "graphics/image.h"
#include "graphics/pixmap.h"

namespace draw2d {

const int flipHookId = core::AllocHookId();

namespace {

using Clock = std::chrono::steady_clock;

struct Module {
    core::Ref<TDraw2DGraphics> graphics;
    core::Ref<TDraw2DDriver> driver;
    int width = 0, height = 0, depth = 0, hertz = 0, flags = 0;
    int seq = 0;
    Clock::time_point nextFrame{};
};

Module module;

TDraw2DGraphics& Current() {
    if (!module.graphics) throw core::RuntimeError("No graphics is current");
    return *module.graphics;
}

void ReadSettings(TSurface* surface) {
    module.width = surface ? surface->Width() : 0;
    module.height = surface ? surface->Height() : 0;
    module.depth = 0; // always a window-like surface
    module.hertz = surface ? surface->Hertz() : 0;
    module.flags = surface ? surface->Flags() : 0;
}

// Pushes the whole state of a context into its back end.
void Validate(TDraw2DGraphics& g) {
    SetBlend(g.blend_mode);
    SetColor(g.color_red, g.color_green, g.color_blue);
    SetAlpha(g.color_alpha);
    SetClsColor(g.clscolor_red, g.clscolor_green, g.clscolor_blue);
    SetLineWidth(g.line_width);
    SetRotation(g.tform_rot);
    SetScale(g.tform_scale_x, g.tform_scale_y);
    SetViewport(g.viewport_x, g.viewport_y, g.viewport_w, g.viewport_h);
    SetOrigin(g.origin_x, g.origin_y);
    SetHandle(-g.handle_x, -g.handle_y);
}

void UpdateMatrix(TDraw2DGraphics& g) {
    constexpr float kRadians = 3.14159265358979323846f / 180.0f;
    const float c = std::cos(g.tform_rot * kRadians), s = std::sin(g.tform_rot * kRadians);
    g.tform_ix = c * g.tform_scale_x;
    g.tform_iy = -s * g.tform_scale_y;
    g.tform_jx = s * g.tform_scale_x;
    g.tform_jy = c * g.tform_scale_y;
    g._driver->SetTransform(g.tform_ix, g.tform_iy, g.tform_jx, g.tform_jy);
}

// Sleeps until the next frame time of the refresh rate; a frame that came
// late starts the schedule again instead of rushing to catch up.
void PaceFrame(int hertz) {
    const auto period =
        std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / hertz;
    const auto now = Clock::now();
    if (module.nextFrame == Clock::time_point{} || now > module.nextFrame + period) {
        module.nextFrame = now + period;
        return;
    }
    std::this_thread::sleep_until(module.nextFrame);
    module.nextFrame += period;
}

} // namespace

TDraw2DGraphics::TDraw2DGraphics(TSurface* surface, TDraw2DDriver* driver)
    : viewport_w(surface->Width()), viewport_h(surface->Height()), _graphics(surface),
      _driver(driver) {}

core::Ref<TDraw2DDriver> TSurface::NativeDriver() { return nullptr; }

core::Ref<TGraphics> AttachGraphics(TSurface* surface, TDraw2DDriver* driver) {
    if (!surface) return nullptr;
    core::Ref<TDraw2DDriver> chosen = driver ? core::Ref<TDraw2DDriver>(driver) : surface->NativeDriver();
    if (!chosen) return nullptr;
    return core::Make<TDraw2DGraphics>(surface, chosen);
}

void SetGraphics(TGraphics* graphics) {
    if (!graphics) {
        module.graphics = nullptr;
        module.driver = nullptr;
        ReadSettings(nullptr);
        ++module.seq;
        return;
    }
    auto* g = dynamic_cast<TDraw2DGraphics*>(graphics);
    if (!g) throw core::RuntimeError("Graphics has no drawing surface");
    const unsigned generation = g->_graphics->ContextGeneration();
    if (g != module.graphics.Get() || generation != g->_generation) ++module.seq;
    if (generation != g->_generation) g->_driverData = nullptr; // its native context is gone
    g->_generation = generation;
    module.graphics = g;
    module.driver = g->_driver;
    ReadSettings(g->_graphics);
    if (!module.driver->SetGraphics(g)) {
        module.graphics = nullptr;
        module.driver = nullptr;
        ReadSettings(nullptr);
        throw core::RuntimeError("Unable to make graphics current");
    }
    Validate(*g);
    if (!g->_setup) {
        Cls();
        Flip(0);
        Cls();
        Flip(0);
        g->_setup = 1;
    }
}

TGraphics* GetGraphics() { return module.graphics; }
TDraw2DDriver* GetGraphicsDriver() { return module.driver; }
int GraphicsWidth() { return module.width; }
int GraphicsHeight() { return module.height; }
int GraphicsDepth() { return module.depth; }
int GraphicsHertz() { return module.hertz; }
int GraphicsFlags() { return module.flags; }
int GraphicsSeq() { return module.seq; }

void SetColor(int red, int green, int blue) {
    TDraw2DGraphics& g = Current();
    g.color_red = red, g.color_green = green, g.color_blue = blue;
    g._driver->SetColor(red, green, blue);
}
void GetColor(int& red, int& green, int& blue) {
    const TDraw2DGraphics& g = Current();
    red = g.color_red, green = g.color_green, blue = g.color_blue;
}
void SetClsColor(int red, int green, int blue) {
    TDraw2DGraphics& g = Current();
    g.clscolor_red = red, g.clscolor_green = green, g.clscolor_blue = blue;
    g._driver->SetClsColor(red, green, blue);
}
void GetClsColor(int& red, int& green, int& blue) {
    const TDraw2DGraphics& g = Current();
    red = g.clscolor_red, green = g.clscolor_green, blue = g.clscolor_blue;
}
void SetAlpha(float alpha) {
    TDraw2DGraphics& g = Current();
    g.color_alpha = alpha;
    g._driver->SetAlpha(alpha);
}
float GetAlpha() { return Current().color_alpha; }
void SetBlend(int mode) {
    TDraw2DGraphics& g = Current();
    g.blend_mode = mode;
    g._driver->SetBlend(mode);
}
int GetBlend() { return Current().blend_mode; }
void SetLineWidth(float width) {
    TDraw2DGraphics& g = Current();
    g.line_width = width;
    g._driver->SetLineWidth(width);
}
float GetLineWidth() { return Current().line_width; }
void SetViewport(int x, int y, int width, int height) {
    TDraw2DGraphics& g = Current();
    g.viewport_x = x, g.viewport_y = y, g.viewport_w = width, g.viewport_h = height;
    g._driver->SetViewport(x, y, width, height);
}
void GetViewport(int& x, int& y, int& width, int& height) {
    const TDraw2DGraphics& g = Current();
    x = g.viewport_x, y = g.viewport_y, width = g.viewport_w, height = g.viewport_h;
}
void SetRotation(float degrees) {
    TDraw2DGraphics& g = Current();
    g.tform_rot = degrees;
    UpdateMatrix(g);
}
float GetRotation() { return Current().tform_rot; }
void SetScale(float scaleX, float scaleY) {
    TDraw2DGraphics& g = Current();
    g.tform_scale_x = scaleX, g.tform_scale_y = scaleY;
    UpdateMatrix(g);
}
void GetScale(float& scaleX, float& scaleY) {
    const TDraw2DGraphics& g = Current();
    scaleX = g.tform_scale_x, scaleY = g.tform_scale_y;
}
void SetOrigin(float x, float y) {
    TDraw2DGraphics& g = Current();
    g.origin_x = x, g.origin_y = y;
}
void GetOrigin(float& x, float& y) {
    const TDraw2DGraphics& g = Current();
    x = g.origin_x, y = g.origin_y;
}
void SetHandle(float x, float y) {
    TDraw2DGraphics& g = Current();
    g.handle_x = -x, g.handle_y = -y;
}
void GetHandle(float& x, float& y) {
    const TDraw2DGraphics& g = Current();
    x = -g.handle_x, y = -g.handle_y;
}

void Cls() { Current()._driver->Cls(); }

void Plot(float x, float y) {
    TDraw2DGraphics& g = Current();
    g._driver->Plot(x + g.origin_x, y + g.origin_y);
}

void DrawLine(float x, float y, float x2, float y2, int lastPixel) {
    TDraw2DGraphics& g = Current();
    const float hx = g.handle_x, hy = g.handle_y;
    const float px = hx + x2 - x, py = hy + y2 - y;
    const float tx = x + g.origin_x, ty = y + g.origin_y;
    g._driver->DrawLine(hx, hy, px, py, tx, ty);
    if (lastPixel)
        g._driver->Plot(px * g.tform_ix + py * g.tform_iy + tx,
                        px * g.tform_jx + py * g.tform_jy + ty);
}

void DrawRect(float x, float y, float width, float height) {
    TDraw2DGraphics& g = Current();
    g._driver->DrawRect(g.handle_x, g.handle_y, g.handle_x + width, g.handle_y + height,
                        x + g.origin_x, y + g.origin_y);
}

void DrawOval(float x, float y, float width, float height) {
    TDraw2DGraphics& g = Current();
    g._driver->DrawOval(g.handle_x, g.handle_y, g.handle_x + width, g.handle_y + height,
                        x + g.origin_x, y + g.origin_y);
}

void DrawPoly(const std::vector<float>& xy) {
    TDraw2DGraphics& g = Current();
    g._driver->DrawPoly(xy, g.handle_x, g.handle_y, g.origin_x, g.origin_y);
}

void DrawImage(TImage* image, float x, float y, int frame) {
    TDraw2DGraphics& g = Current();
    if (!image) return;
    TImageFrame* drawable = image->Frame(frame);
    if (!drawable) return;
    const float x0 = -image->handle_x, y0 = -image->handle_y;
    g._driver->DrawFrame(drawable, image, frame, x0, y0, x0 + float(image->width),
                         y0 + float(image->height), x + g.origin_x, y + g.origin_y);
}

void DrawPixmap(TPixmap* pixmap, int x, int y) {
    TDraw2DGraphics& g = Current();
    if (pixmap) g._driver->DrawPixmap(pixmap, x, y);
}

core::Ref<TPixmap> GrabPixmap(int x, int y, int width, int height) {
    return Current()._driver->GrabPixmap(x, y, width, height);
}

void Flip(int sync) {
    Current();
    core::RunHooks(flipHookId, nullptr);
    TDraw2DGraphics& g = Current(); // a hook may have changed the graphics
    if (sync == -1) {
        if ((module.flags & GRAPHICS_SOFTSYNC) && module.hertz > 0) {
            PaceFrame(module.hertz);
            sync = 0;
        } else {
            sync = module.hertz > 0 ? 1 : 0;
        }
    } else {
        sync = sync ? 1 : 0;
    }
    g._driver->Flip(sync);
}

int OvalSegments(float rx, float ry) {
    // Bounded so that an absurd size cannot stall drawing.
    constexpr float kMaxSegments = 65536;
    float size = std::fabs(rx) + std::fabs(ry);
    if (!(size < kMaxSegments)) size = std::isnan(size) ? 0 : kMaxSegments;
    const int n = int(size) < 12 ? 12 : int(size);
    return n / 4 * 4;
}

} // namespace draw2d
