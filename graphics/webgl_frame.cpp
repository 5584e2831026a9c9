// Image frames of the WebGL back end: textures laid out exactly as the
// OpenGL back end lays them out (power-of-two sides, edge texels repeated,
// the same mipmap levels), so that a picture filters alike on both.
#include <algorithm>

#include "graphics/detail/gl_shared.h"
#include "graphics/detail/texture_pixmap.h"
#include "graphics/detail/webgl_driver.h"
#include "graphics/draw2d_webgl.h"
#include "graphics/image.h"

namespace draw2d {
namespace {

// WebGL 1 reads rows without padding: the pixmap as tight RGBA rows.
core::Ref<TPixmap> TightRows(TPixmap* p) {
    if (p->format == PIXEL_RGBA && p->pitch == p->width * 4) return p;
    core::Ref<TPixmap> tight = TPixmap::Create(p->width, p->height, PIXEL_RGBA, 4);
    tight->Paste(p, 0, 0);
    return tight;
}

void Upload(int level, TPixmap* pixmap) {
    core::Ref<TPixmap> p = TightRows(pixmap);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA, p->width, p->height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 p->pixels);
}

} // namespace

TWebGLImageFrame::~TWebGLImageFrame() {
    if (driver_) driver_->ReleaseTexture(context_, name);
}

void TWebGLImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty) {
    const Matrix2D& m = driver_->Transform();
    const float xs[4] = {m.X(x0, y0, tx), m.X(x1, y0, tx), m.X(x1, y1, tx), m.X(x0, y1, tx)};
    const float ys[4] = {m.Y(x0, y0, ty), m.Y(x1, y0, ty), m.Y(x1, y1, ty), m.Y(x0, y1, ty)};
    driver_->DrawTexturedQuad(name, xs, ys, u0, v0, u1, v1);
}

core::Ref<TWebGLImageFrame> TWebGLImageFrame::CreateFromPixmap(TPixmap* pixmap, int flags) {
    auto* driver = static_cast<TWebGLDraw2DDriver*>(WebGLDraw2DDriver());
    TWebGLContextState* context = driver->CurrentContext();
    if (!pixmap || !context) return nullptr;

    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    largest = std::max(largest, 1);
    int tw = CeilPow2(pixmap->width), th = CeilPow2(pixmap->height);
    while (tw > largest || th > largest) tw = std::max(1, tw / 2), th = std::max(1, th / 2);
    core::Ref<TPixmap> image = pixmap;
    if (image->width > tw || image->height > th)
        image = ResizePixmap(image, std::min(image->width, tw), std::min(image->height, th));
    core::Ref<TPixmap> level = TexturePixmap(image, tw, th);

    driver->FlushBatch();
    core::Ref<TWebGLImageFrame> frame = core::Make<TWebGLImageFrame>();
    glGenTextures(1, &frame->name);
    frame->driver_ = driver;
    frame->context_ = context;
    glBindTexture(GL_TEXTURE_2D, frame->name);

    SetUpTexture(flags, level, [](int n, TPixmap* p) { Upload(n, p); });
    // The image's own corners; after a shrink to fit, those of the shrunk image.
    frame->u1 = float(image->width) / float(tw);
    frame->v1 = float(image->height) / float(th);
    return frame;
}

} // namespace draw2d
