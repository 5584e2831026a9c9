#include "graphics/detail/webgl_driver.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "graphics/detail/gl_shared.h"
#include "graphics/draw2d_webgl.h"
#include "graphics/pixmap.h"

namespace draw2d {
namespace {

// Pixel coordinates with y down to clip space, as glOrtho(0, w, h, 0) does;
// the texel is multiplied by the colour (GL_MODULATE) and a masked image
// drops what is less than half opaque (the alpha test at 0.5).
constexpr const char* kVertexShader = R"(
attribute vec2 a_pos;
attribute vec2 a_uv;
attribute vec4 a_color;
uniform vec2 u_scale;
varying vec2 v_uv;
varying vec4 v_color;
void main() {
    gl_Position = vec4(a_pos.x * u_scale.x - 1.0, 1.0 - a_pos.y * u_scale.y, 0.0, 1.0);
    gl_PointSize = 1.0;
    v_uv = a_uv;
    v_color = a_color;
})";

constexpr const char* kFragmentShader = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif
uniform sampler2D u_texture;
uniform float u_alphaRef;
varying vec2 v_uv;
varying vec4 v_color;
void main() {
    vec4 c = texture2D(u_texture, v_uv) * v_color;
    if (c.a < u_alphaRef) discard;
    gl_FragColor = c;
})";

enum Attribute : GLuint { kPosition, kTexCoord, kColor };

constexpr float kAlphaTestRef = 0.5f;

std::uint8_t ClampByte(int v) { return std::uint8_t(std::clamp(v, 0, 255)); }

GLuint CompileShader(GLenum kind, const char* source) {
    const GLuint shader = glCreateShader(kind);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[512] = {};
        glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "WebGL shader: %s\n", log);
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

} // namespace

TDraw2DDriver* WebGLDraw2DDriver() {
    static core::Ref<TWebGLDraw2DDriver> driver = core::Make<TWebGLDraw2DDriver>();
    return driver;
}

WebGLDrawCounts WebGLCounts() {
    const auto* driver = static_cast<const TWebGLDraw2DDriver*>(WebGLDraw2DDriver());
    return {driver->BatchCount(), driver->VertexCount()};
}

TWebGLContextState::~TWebGLContextState() {
    // The context itself goes with its canvas; nothing to free in it here.
}

bool TWebGLContextState::Build() {
    const GLuint vs = CompileShader(GL_VERTEX_SHADER, kVertexShader);
    const GLuint fs = CompileShader(GL_FRAGMENT_SHADER, kFragmentShader);
    if (!vs || !fs) return false;
    program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glBindAttribLocation(program, kPosition, "a_pos");
    glBindAttribLocation(program, kTexCoord, "a_uv");
    glBindAttribLocation(program, kColor, "a_color");
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) return false;
    scaleAt = glGetUniformLocation(program, "u_scale");
    alphaRefAt = glGetUniformLocation(program, "u_alphaRef");
    textureAt = glGetUniformLocation(program, "u_texture");

    glGenBuffers(1, &buffer);
    glGenTextures(1, &white);
    glBindTexture(GL_TEXTURE_2D, white);
    const std::uint8_t texel[4] = {255, 255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return true;
}

bool TWebGLDraw2DDriver::SetGraphics(TDraw2DGraphics* graphics) {
    FlushBatch();
    TSurface* surface = graphics->_graphics;
    if (!surface->MakeCurrent()) return false;
    if (!graphics->_driverData) {
        core::Ref<TWebGLContextState> made = core::Make<TWebGLContextState>();
        if (!made->Build()) return false;
        graphics->_driverData = core::Ref<core::Object>(made);
    }
    graphics_ = graphics;
    context_ = static_cast<TWebGLContextState*>(graphics->_driverData.Get());
    DeleteDoomedTextures(context_->doomedTextures);
    width_ = surface->Width();
    height_ = surface->Height();
    blend_ = kBlendUnknown;
    texture_ = 0;
    glUseProgram(context_->program);
    glUniform2f(context_->scaleAt, 2.0f / float(std::max(width_, 1)),
                2.0f / float(std::max(height_, 1)));
    glUniform1f(context_->alphaRefAt, 0);
    glUniform1i(context_->textureAt, 0);
    glActiveTexture(GL_TEXTURE0);
    glBindBuffer(GL_ARRAY_BUFFER, context_->buffer);
    const auto stride = GLsizei(sizeof(WebGLVertex));
    glEnableVertexAttribArray(kPosition);
    glEnableVertexAttribArray(kTexCoord);
    glEnableVertexAttribArray(kColor);
    glVertexAttribPointer(kPosition, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(WebGLVertex, x)));
    glVertexAttribPointer(kTexCoord, 2, GL_FLOAT, GL_FALSE, stride,
                          reinterpret_cast<const void*>(offsetof(WebGLVertex, u)));
    glVertexAttribPointer(kColor, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                          reinterpret_cast<const void*>(offsetof(WebGLVertex, rgba)));
    glViewport(0, 0, width_, height_);
    glDisable(GL_SCISSOR_TEST);
    return true;
}

void TWebGLDraw2DDriver::Flip(int) {
    if (!graphics_ || GetGraphics() != graphics_) return;
    FlushBatch();
    graphics_->_graphics->SwapBuffers();
}

TWebGLContextState* TWebGLDraw2DDriver::CurrentContext() const {
    return graphics_ && GetGraphics() == graphics_ ? context_ : nullptr;
}

void TWebGLDraw2DDriver::ReleaseTexture(TWebGLContextState* context, GLuint name) {
    // A batch drawing with the texture goes out before the texture goes.
    ReleaseTextureOf(context, CurrentContext(), name, [&] {
        if (texture_ == name) FlushBatch(), texture_ = 0;
    });
}

void TWebGLDraw2DDriver::FlushBatch() {
    if (batch_.empty()) return;
    glBindTexture(GL_TEXTURE_2D, texture_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(batch_.size() * sizeof(WebGLVertex)), batch_.data(),
                 GL_STREAM_DRAW);
    glDrawArrays(mode_, 0, GLsizei(batch_.size()));
    vertexCount_ += batch_.size();
    ++batchCount_;
    batch_.clear();
}

void TWebGLDraw2DDriver::Begin(GLenum mode, GLuint texture) {
    if (!texture && context_) texture = context_->white;
    if (mode != mode_ || texture != texture_) {
        FlushBatch();
        mode_ = mode;
        texture_ = texture;
    }
}

template <class PointAt> void TWebGLDraw2DDriver::Fan(int n, PointAt point) {
    if (n < 3) return;
    Begin(GL_TRIANGLES, 0);
    float x0, y0, xa, ya, xb, yb;
    point(0, x0, y0);
    point(1, xa, ya);
    for (int i = 2; i < n; ++i, xa = xb, ya = yb) {
        point(i, xb, yb);
        Vertex(x0, y0), Vertex(xa, ya), Vertex(xb, yb);
    }
}

core::Ref<TImageFrame> TWebGLDraw2DDriver::CreateFrameFromPixmap(TPixmap* pixmap, int flags) {
    return TWebGLImageFrame::CreateFromPixmap(pixmap, flags);
}

void TWebGLDraw2DDriver::SetBlend(int mode) {
    if (mode == blend_) return;
    FlushBatch();
    blend_ = mode;
    const BlendState& s = BlendStateOf(mode);
    ApplyBlend(s);
    if (context_) glUniform1f(context_->alphaRefAt, s.alphaTest ? kAlphaTestRef : 0.0f);
}

void TWebGLDraw2DDriver::SetAlpha(float alpha) {
    if (!(alpha >= 0)) alpha = 0; // also not-a-number
    if (alpha > 1) alpha = 1;
    color_[3] = std::uint8_t(alpha * 255);
}

void TWebGLDraw2DDriver::SetColor(int red, int green, int blue) {
    color_[0] = ClampByte(red), color_[1] = ClampByte(green), color_[2] = ClampByte(blue);
}

void TWebGLDraw2DDriver::SetClsColor(int red, int green, int blue) {
    FlushBatch();
    glClearColor(ClampByte(red) / 255.0f, ClampByte(green) / 255.0f, ClampByte(blue) / 255.0f,
                 1.0f);
}

void TWebGLDraw2DDriver::SetViewport(int x, int y, int width, int height) {
    FlushBatch();
    ClipToViewport(x, y, width, height, width_, height_);
}

void TWebGLDraw2DDriver::SetTransform(float ix, float iy, float jx, float jy) {
    matrix_ = {ix, iy, jx, jy};
}

void TWebGLDraw2DDriver::SetLineWidth(float width) { lineWidth_ = width; }

void TWebGLDraw2DDriver::Cls() {
    FlushBatch();
    glClear(GL_COLOR_BUFFER_BIT);
}

void TWebGLDraw2DDriver::Plot(float x, float y) {
    Begin(GL_POINTS, 0);
    Vertex(x + 0.5f, y + 0.5f);
}

// WebGL draws lines one pixel wide only; a wider one is the quad that
// OpenGL's wide lines cover: the line's length, widened along the minor
// axis.
void TWebGLDraw2DDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) {
    const Matrix2D& m = matrix_;
    const float ax = m.X(x0, y0, tx) + 0.5f, ay = m.Y(x0, y0, ty) + 0.5f;
    const float bx = m.X(x1, y1, tx) + 0.5f, by = m.Y(x1, y1, ty) + 0.5f;
    if (!(lineWidth_ > 1)) {
        Begin(GL_LINES, 0);
        Vertex(ax, ay), Vertex(bx, by);
        return;
    }
    const bool xMajor = std::fabs(bx - ax) >= std::fabs(by - ay);
    const float half = lineWidth_ / 2;
    const float ox = xMajor ? 0 : half, oy = xMajor ? half : 0;
    const float xs[4] = {ax - ox, bx - ox, bx + ox, ax + ox};
    const float ys[4] = {ay - oy, by - oy, by + oy, ay + oy};
    Fan(4, [&](int i, float& x, float& y) { x = xs[i], y = ys[i]; });
}

void TWebGLDraw2DDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
    const Matrix2D& m = matrix_;
    const float lx[4] = {x0, x1, x1, x0}, ly[4] = {y0, y0, y1, y1};
    Fan(4,
        [&](int i, float& x, float& y) { x = m.X(lx[i], ly[i], tx), y = m.Y(lx[i], ly[i], ty); });
}

void TWebGLDraw2DDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) {
    const float rx = (x1 - x0) / 2, ry = (y1 - y0) / 2;
    const float cx = x0 + rx, cy = y0 + ry;
    const int n = OvalSegments(rx, ry);
    constexpr double kRadians = 3.14159265358979323846 / 180.0;
    const Matrix2D& m = matrix_;
    Fan(n, [&](int i, float& x, float& y) {
        const double theta = double(i) * 360.0 / n * kRadians;
        const float px = cx + float(std::cos(theta)) * rx, py = cy - float(std::sin(theta)) * ry;
        x = m.X(px, py, tx), y = m.Y(px, py, ty);
    });
}

void TWebGLDraw2DDriver::DrawPoly(const std::vector<float>& xy, float hx, float hy, float tx,
                                  float ty) {
    if (xy.size() < 6 || xy.size() % 2) return;
    const Matrix2D& m = matrix_;
    Fan(int(xy.size() / 2), [&](int i, float& x, float& y) {
        const float px = xy[std::size_t(i) * 2] + hx, py = xy[std::size_t(i) * 2 + 1] + hy;
        x = m.X(px, py, tx), y = m.Y(px, py, ty);
    });
}

void TWebGLDraw2DDriver::DrawTexturedQuad(GLuint texture, const float (&x)[4], const float (&y)[4],
                                          float u0, float v0, float u1, float v1) {
    Begin(GL_TRIANGLES, texture);
    const float u[4] = {u0, u1, u1, u0}, v[4] = {v0, v0, v1, v1};
    for (int i : {0, 1, 2, 0, 2, 3}) Vertex(x[i], y[i], u[i], v[i]);
}

// The pixels unscaled and untransformed, in their own colours (no current
// colour or alpha), blended as the current mode says, as glDrawPixels does.
void TWebGLDraw2DDriver::DrawPixmap(TPixmap* pixmap, int x, int y) {
    if (!pixmap || pixmap->width == 0 || pixmap->height == 0 || !context_) return;
    core::Ref<TPixmap> rgba = TPixmap::Create(pixmap->width, pixmap->height, PIXEL_RGBA, 4);
    rgba->Paste(pixmap, 0, 0);
    FlushBatch();
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, rgba->width, rgba->height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 rgba->pixels);
    const std::uint8_t kept[4] = {color_[0], color_[1], color_[2], color_[3]};
    std::fill(std::begin(color_), std::end(color_), std::uint8_t(255));
    const float x0 = float(x), y0 = float(y);
    const float x1 = x0 + float(rgba->width), y1 = y0 + float(rgba->height);
    DrawTexturedQuad(name, {x0, x1, x1, x0}, {y0, y0, y1, y1}, 0, 0, 1, 1);
    FlushBatch();
    std::copy(std::begin(kept), std::end(kept), std::begin(color_));
    texture_ = 0;
    glDeleteTextures(1, &name);
}

core::Ref<TPixmap> TWebGLDraw2DDriver::GrabPixmap(int x, int y, int width, int height) {
    core::Ref<TPixmap> p = TPixmap::Create(width, height, PIXEL_RGBA, 4);
    if (width == 0 || height == 0) return p;
    FlushBatch();
    ReadPixelsTopDown(*p, x, y, height_);
    return p;
}

} // namespace draw2d
