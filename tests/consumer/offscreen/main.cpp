// Draws offscreen through the OpenGL back end and reads the pixels back.
#include <cstdio>

#include "graphics/draw2d_gl.h"

int main() {
    core::Ref<draw2d::TSurface> surface = draw2d::CreateOffscreenSurface(32, 32);
    if (!surface) {
        std::fprintf(stderr, "offscreen: no OpenGL context (is DISPLAY set?)\n");
        return 1;
    }
    draw2d::SetGraphics(draw2d::AttachGraphics(surface));
    draw2d::SetClsColor(0, 0, 0);
    draw2d::Cls();
    draw2d::SetColor(255, 0, 0);
    draw2d::DrawRect(8, 8, 16, 16);
    core::Ref<draw2d::TPixmap> grab = draw2d::GrabPixmap(0, 0, 32, 32);
    const std::uint8_t* inside = grab ? grab->PixelPtr(16, 16) : nullptr;
    const std::uint8_t* outside = grab ? grab->PixelPtr(2, 2) : nullptr;
    draw2d::SetGraphics(nullptr);
    if (!inside || inside[0] != 255 || inside[1] != 0 || outside[0] != 0) {
        std::fprintf(stderr, "offscreen: the rectangle is not where it was drawn\n");
        return 1;
    }
    std::puts("offscreen: ok");
    return 0;
}
