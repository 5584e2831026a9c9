#include "graphics/detail/gl_driver.h"

#include <algorithm>
#include <cmath>

#include "core/error.h"
#include "graphics/detail/gl_shared.h"
#include "graphics/detail/texture_pixmap.h"
#include "graphics/draw2d_gl.h"
#include "graphics/image.h"
#include "graphics/pixmap.h"

namespace draw2d {
namespace {

GLubyte ClampByte(int v) { return GLubyte(std::clamp(v, 0, 255)); }

bool TextureSizeAccepted(int w, int h) {
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint got = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &got);
    return got != 0;
}

void Upload(int level, const TPixmap* p) {
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, p->pitch / 4);
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, p->width, p->height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 p->pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

} // namespace

TDraw2DDriver* GLDraw2DDriver() {
    static core::Ref<TGLDraw2DDriver> driver = core::Make<TGLDraw2DDriver>();
    return driver;
}

bool TGLDraw2DDriver::SetGraphics(TDraw2DGraphics* graphics) {
    TSurface* surface = graphics->_graphics;
    if (!surface->MakeCurrent()) return false;
    if (!graphics->_driverData)
        graphics->_driverData = core::Ref<core::Object>(core::Make<TGLContextState>());
    graphics_ = graphics;
    context_ = static_cast<TGLContextState*>(graphics->_driverData.Get());
    DeleteDoomedTextures(context_->doomedTextures);
    width_ = surface->Width();
    height_ = surface->Height();
    blend_ = kBlendUnknown;
    texturing_ = false;
    bound_ = 0;
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width_, height_, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glViewport(0, 0, width_, height_);
    return true;
}

void TGLDraw2DDriver::Flip(int sync) {
    if (!graphics_ || GetGraphics() != graphics_) return;
    TSurface* surface = graphics_->_graphics;
    if (sync != context_->swapInterval) {
        surface->SetSwapInterval(sync);
        context_->swapInterval = sync;
    }
    surface->SwapBuffers();
}

TGLContextState* TGLDraw2DDriver::CurrentContext() const {
    return graphics_ && GetGraphics() == graphics_ ? context_ : nullptr;
}

void TGLDraw2DDriver::ReleaseTexture(TGLContextState* context, GLuint name) {
    ReleaseTextureOf(context, CurrentContext(), name, [&] {
        if (bound_ == name) bound_ = 0;
    });
}

void TGLDraw2DDriver::BindTexture(GLuint name) {
    if (bound_ != name) glBindTexture(GL_TEXTURE_2D, name), bound_ = name;
    if (!texturing_) glEnable(GL_TEXTURE_2D), texturing_ = true;
}

core::Ref<TImageFrame> TGLDraw2DDriver::CreateFrameFromPixmap(TPixmap* pixmap, int flags) {
    return TGLImageFrame::CreateFromPixmap(pixmap, flags);
}

void TGLDraw2DDriver::SetBlend(int mode) {
    if (mode == blend_) return;
    blend_ = mode;
    const BlendState& s = BlendStateOf(mode);
    ApplyBlend(s);
    if (s.alphaTest) {
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GEQUAL, 0.5f);
    } else {
        glDisable(GL_ALPHA_TEST);
    }
}

void TGLDraw2DDriver::SetAlpha(float alpha) {
    if (!(alpha >= 0)) alpha = 0; // also not-a-number
    if (alpha > 1) alpha = 1;
    color_[3] = GLubyte(alpha * 255);
    glColor4ubv(color_);
}

void TGLDraw2DDriver::SetColor(int red, int green, int blue) {
    color_[0] = ClampByte(red), color_[1] = ClampByte(green), color_[2] = ClampByte(blue);
    glColor4ubv(color_);
}

void TGLDraw2DDriver::SetClsColor(int red, int green, int blue) {
    glClearColor(ClampByte(red) / 255.0f, ClampByte(green) / 255.0f, ClampByte(blue) / 255.0f,
                 1.0f);
}

void TGLDraw2DDriver::SetViewport(int x, int y, int width, int height) {
    ClipToViewport(x, y, width, height, width_, height_);
}

void TGLDraw2DDriver::SetTransform(float ix, float iy, float jx, float jy) {
    matrix_ = {ix, iy, jx, jy};
}

void TGLDraw2DDriver::SetLineWidth(float width) { glLineWidth(width); }

void TGLDraw2DDriver::Cls() { glClear(GL_COLOR_BUFFER_BIT); }

void TGLDraw2DDriver::Plot(float x, float y) {
    DisableTexture();
    glBegin(GL_POINTS);
    glVertex2f(x + 0.5f, y + 0.5f);
    glEnd();
}

void TGLDraw2DDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) {
    DisableTexture();
    const Matrix2D& m = matrix_;
    glBegin(GL_LINES);
    glVertex2f(m.X(x0, y0, tx) + 0.5f, m.Y(x0, y0, ty) + 0.5f);
    glVertex2f(m.X(x1, y1, tx) + 0.5f, m.Y(x1, y1, ty) + 0.5f);
    glEnd();
}

void TGLDraw2DDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
    DisableTexture();
    const Matrix2D& m = matrix_;
    glBegin(GL_QUADS);
    glVertex2f(m.X(x0, y0, tx), m.Y(x0, y0, ty));
    glVertex2f(m.X(x1, y0, tx), m.Y(x1, y0, ty));
    glVertex2f(m.X(x1, y1, tx), m.Y(x1, y1, ty));
    glVertex2f(m.X(x0, y1, tx), m.Y(x0, y1, ty));
    glEnd();
}

void TGLDraw2DDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) {
    DisableTexture();
    const float rx = (x1 - x0) / 2, ry = (y1 - y0) / 2;
    const float cx = x0 + rx, cy = y0 + ry;
    const int n = OvalSegments(rx, ry);
    constexpr double kRadians = 3.14159265358979323846 / 180.0;
    const Matrix2D& m = matrix_;
    glBegin(GL_POLYGON);
    for (int i = 0; i < n; ++i) {
        const double theta = double(i) * 360.0 / n * kRadians;
        const float x = cx + float(std::cos(theta)) * rx, y = cy - float(std::sin(theta)) * ry;
        glVertex2f(m.X(x, y, tx), m.Y(x, y, ty));
    }
    glEnd();
}

void TGLDraw2DDriver::DrawPoly(const std::vector<float>& xy, float hx, float hy, float tx,
                               float ty) {
    if (xy.size() < 6 || xy.size() % 2) return;
    DisableTexture();
    const Matrix2D& m = matrix_;
    glBegin(GL_POLYGON);
    for (std::size_t k = 0; k < xy.size(); k += 2) {
        const float x = xy[k] + hx, y = xy[k + 1] + hy;
        glVertex2f(m.X(x, y, tx), m.Y(x, y, ty));
    }
    glEnd();
}

void TGLDraw2DDriver::DrawPixmap(TPixmap* pixmap, int x, int y) {
    if (!pixmap || pixmap->width == 0 || pixmap->height == 0) return;
    core::Ref<TPixmap> rgba =
        pixmap->format == PIXEL_RGBA ? core::Ref<TPixmap>(pixmap) : pixmap->Convert(PIXEL_RGBA);
    DisableTexture();
    // Row 0 at the top: start at (x, y) and step downwards on the screen.
    glRasterPos2i(0, 0);
    glBitmap(0, 0, 0, 0, float(x), float(-y), nullptr);
    glPixelZoom(1.0f, -1.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rgba->pitch / 4);
    glDrawPixels(rgba->width, rgba->height, GL_RGBA, GL_UNSIGNED_BYTE, rgba->pixels);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelZoom(1.0f, 1.0f);
}

core::Ref<TPixmap> TGLDraw2DDriver::GrabPixmap(int x, int y, int width, int height) {
    core::Ref<TPixmap> p = TPixmap::Create(width, height, PIXEL_RGBA, 4);
    if (width == 0 || height == 0) return p;
    glFinish();
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    ReadPixelsTopDown(*p, x, y, height_);
    return p;
}

TGLImageFrame::~TGLImageFrame() {
    if (driver_) driver_->ReleaseTexture(context_, GLuint(name));
}

void TGLImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty) {
    driver_->BindTexture(GLuint(name));
    const Matrix2D& m = driver_->Transform();
    glBegin(GL_QUADS);
    glTexCoord2f(u0, v0);
    glVertex2f(m.X(x0, y0, tx), m.Y(x0, y0, ty));
    glTexCoord2f(u1, v0);
    glVertex2f(m.X(x1, y0, tx), m.Y(x1, y0, ty));
    glTexCoord2f(u1, v1);
    glVertex2f(m.X(x1, y1, tx), m.Y(x1, y1, ty));
    glTexCoord2f(u0, v1);
    glVertex2f(m.X(x0, y1, tx), m.Y(x0, y1, ty));
    glEnd();
}

core::Ref<TGLImageFrame> TGLImageFrame::CreateFromPixmap(TPixmap* pixmap, int flags) {
    auto* driver = static_cast<TGLDraw2DDriver*>(GLDraw2DDriver());
    TGLContextState* context = driver->CurrentContext();
    if (!pixmap || !context) return nullptr;

    int tw = CeilPow2(pixmap->width), th = CeilPow2(pixmap->height);
    while (!TextureSizeAccepted(tw, th)) {
        if (tw == 1 && th == 1) throw core::RuntimeError("Unable to calculate tex size");
        tw = std::max(1, tw / 2), th = std::max(1, th / 2);
    }
    core::Ref<TPixmap> image = pixmap;
    if (image->width > tw || image->height > th)
        image = ResizePixmap(image, std::min(image->width, tw), std::min(image->height, th));
    core::Ref<TPixmap> level = TexturePixmap(image, tw, th);

    core::Ref<TGLImageFrame> frame = core::Make<TGLImageFrame>();
    GLuint name = 0;
    glGenTextures(1, &name);
    frame->name = int(name);
    frame->seq = GraphicsSeq();
    frame->driver_ = driver;
    frame->context_ = context;
    driver->BindTexture(name);

    SetUpTexture(flags, level, [](int n, TPixmap* p) { Upload(n, p); });
    // The image's own corners; after a shrink to fit, those of the shrunk image.
    frame->u1 = float(image->width) / float(tw);
    frame->v1 = float(image->height) / float(th);
    return frame;
}

} // namespace draw2d
