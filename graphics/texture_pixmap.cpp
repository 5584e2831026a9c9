#include "graphics/detail/texture_pixmap.h"

namespace draw2d {

int CeilPow2(int v) {
    int p = 1;
    while (p < v && p < (1 << 30)) p <<= 1;
    return p;
}

core::Ref<TPixmap> TexturePixmap(TPixmap* image, int tw, int th) {
    const int w = image->width, h = image->height;
    if (tw == w && th == h)
        return image->format == PIXEL_RGBA ? core::Ref<TPixmap>(image) : image->Convert(PIXEL_RGBA);
    core::Ref<TPixmap> tex = TPixmap::Create(tw, th, PIXEL_RGBA, 4);
    tex->ClearPixels(0);
    if (w == 0 || h == 0) return tex;
    tex->Paste(image, 0, 0);
    if (tw > w) tex->Paste(image->Window(w - 1, 0, 1, h), w, 0);
    if (th > h) tex->Paste(image->Window(0, h - 1, w, 1), 0, h);
    if (tw > w && th > h) tex->Paste(image->Window(w - 1, h - 1, 1, 1), w, h);
    return tex;
}

} // namespace draw2d
