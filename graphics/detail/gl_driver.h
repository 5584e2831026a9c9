#pragma once
// The OpenGL 1.x back end: fixed function, immediate mode, pixel coordinates
// with y down. Image frames are textures made in the context that is current.

#include <GL/gl.h>

#include <vector>

#include "graphics/driver.h"
#include "graphics/graphics.h"

namespace draw2d {

// What the back end keeps per native context: textures whose frames died
// while another context was current are deleted when this one is current again.
class TGLContextState final : public core::Object {
  public:
    std::vector<GLuint> doomedTextures;
    int swapInterval = -1; // last one set on the surface; -1 unknown
};

class TGLDraw2DDriver final : public TDraw2DDriver {
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
    void BindTexture(GLuint name);
    void DisableTexture() {
        if (texturing_) glDisable(GL_TEXTURE_2D), texturing_ = false;
    }
    // The state of the context that is current, or null when none of ours is.
    TGLContextState* CurrentContext() const;
    // Deletes now when the texture's context is current, else when it next is.
    void ReleaseTexture(TGLContextState* context, GLuint name);

  private:
    static constexpr int kBlendUnknown = -0x7fffffff;

    TDraw2DGraphics* graphics_ = nullptr; // the last of ours made current
    TGLContextState* context_ = nullptr;  // its state (owned by it)
    Matrix2D matrix_;
    int blend_ = kBlendUnknown;
    bool texturing_ = false;
    GLuint bound_ = 0;
    GLubyte color_[4] = {255, 255, 255, 255};
    int width_ = 0, height_ = 0;
};

// A frame as a texture; (u0, v0)-(u1, v1) are the image's corners in it.
class TGLImageFrame final : public TImageFrame {
  public:
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1;
    int name = 0;
    int seq = 0;

    ~TGLImageFrame() override;
    void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override;
    // Throws "Unable to calculate tex size" when no texture size is accepted.
    static core::Ref<TGLImageFrame> CreateFromPixmap(TPixmap* pixmap, int flags);

  private:
    core::Ref<TGLDraw2DDriver> driver_;
    core::Ref<TGLContextState> context_;
};

} // namespace draw2d
