#pragma once
// Internal: the WebGL back end (see graphics/draw2d_webgl.h). Every shape
// becomes vertices of one batch (triangles, lines or points, one texture);
// the batch is drawn when the kind of primitive, the texture or any GL state
// changes, and at Flip. Untextured shapes use a white texel, so colour and
// texture meet in one shader, as GL_MODULATE does.

#include <GLES2/gl2.h>

#include <cstdint>
#include <vector>

#include "graphics/driver.h"
#include "graphics/graphics.h"

namespace draw2d {

/// One vertex of a batch: pixel position, texture coordinates, colour.
struct WebGLVertex {
    float x, y, u, v;
    std::uint8_t rgba[4];
};

// What the back end keeps per WebGL context: the program, the vertex buffer,
// the white texel, and textures whose frames died while another context was
// current (deleted when this one is current again).
class TWebGLContextState final : public core::Object {
  public:
    ~TWebGLContextState() override;
    // Compiles the shader and makes the buffer and the white texel in the
    // context that is current; false when the shader does not build.
    bool Build();

    GLuint program = 0, buffer = 0, white = 0;
    GLint scaleAt = -1, alphaRefAt = -1, textureAt = -1;
    std::vector<GLuint> doomedTextures;
};

class TWebGLDraw2DDriver final : public TDraw2DDriver {
  public:
    bool SetGraphics(TDraw2DGraphics* graphics) override;
    void Flip(int sync) override;

    core::Ref<TImageFrame> CreateFrameFromPixmap(TPixmap* pixmap, int flags) override;
    void SetBlend(int mode) override;
    void SetAlpha(float alpha) override;
    void SetColor(int red, int green, int blue) override;
    void SetClsColor(int red, int green, int blue) override;
    void SetViewport(int x, int y, int width, int height) override;
    void SetTransform(float ix, float iy, float jx, float jy) override;
    void SetLineWidth(float width) override;
    void Cls() override;
    void Plot(float x, float y) override;
    void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override;
    void DrawPoly(const std::vector<float>& xy, float hx, float hy, float tx, float ty) override;
    void DrawPixmap(TPixmap* pixmap, int x, int y) override;
    core::Ref<TPixmap> GrabPixmap(int x, int y, int width, int height) override;

    // For the frames of this back end.
    const Matrix2D& Transform() const { return matrix_; }
    // A textured quad with corners already in pixels, in the current colour.
    void DrawTexturedQuad(GLuint texture, const float (&x)[4], const float (&y)[4], float u0,
                          float v0, float u1, float v1);
    // The state of the context that is current, or null when none of ours is.
    TWebGLContextState* CurrentContext() const;
    // Deletes now when the texture's context is current, else when it next is.
    void ReleaseTexture(TWebGLContextState* context, GLuint name);
    // Draws what is batched. Before any GL call that is not a batch's.
    void FlushBatch();
    // Vertices drawn and batches flushed since start-up (for the page's figures).
    std::uint64_t VertexCount() const { return vertexCount_; }
    std::uint64_t BatchCount() const { return batchCount_; }

  private:
    static constexpr int kBlendUnknown = -0x7fffffff;

    // Starts or continues a batch of `mode` primitives with `texture`.
    void Begin(GLenum mode, GLuint texture);
    void Vertex(float x, float y, float u = 0, float v = 0) {
        batch_.push_back({x, y, u, v, {color_[0], color_[1], color_[2], color_[3]}});
    }
    // A filled convex polygon of `n` pixel points given by `point(i, x, y)`,
    // as a fan of triangles around the first.
    template <class PointAt> void Fan(int n, PointAt point);

    TDraw2DGraphics* graphics_ = nullptr; // the last of ours made current
    TWebGLContextState* context_ = nullptr;
    Matrix2D matrix_;
    int blend_ = kBlendUnknown;
    float lineWidth_ = 1;
    std::uint8_t color_[4] = {255, 255, 255, 255};
    int width_ = 0, height_ = 0;
    std::vector<WebGLVertex> batch_;
    GLenum mode_ = GL_TRIANGLES;
    GLuint texture_ = 0;
    std::uint64_t vertexCount_ = 0, batchCount_ = 0;
};

// A frame as a texture; (u0, v0)-(u1, v1) are the image's corners in it.
class TWebGLImageFrame final : public TImageFrame {
  public:
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
    GLuint name = 0;

    ~TWebGLImageFrame() override;
    void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override;
    // Null when no context of ours is current.
    static core::Ref<TWebGLImageFrame> CreateFromPixmap(TPixmap* pixmap, int flags);

  private:
    core::Ref<TWebGLDraw2DDriver> driver_;
    core::Ref<TWebGLContextState> context_;
};

} // namespace draw2d
