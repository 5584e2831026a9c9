// A program with a window: the FLTK back end, a canvas drawn at the ticks of
// a 60 Hz timer, then the window closed by the program.
#include <cstdio>

#include "graphics/draw2d.h"
#include "gui/fltk.h"
#include "gui/gui.h"

int main() {
    gui::UseFltkDriver();
    core::Ref<gui::TGadget> window =
        gui::CreateWindow("Consumer window", 0, 0, 160, 120, nullptr, 1);
    if (!window) {
        std::fprintf(stderr, "window: no window (is DISPLAY set?)\n");
        return 1;
    }
    core::Ref<gui::TGadget> canvas = gui::CreateCanvas(0, 0, 160, 120, window);
    core::Ref<gui::TTimer> timer = gui::CreateTimer(60);
    int frames = 0;
    for (int waits = 0; frames < 10 && waits < 600; ++waits) {
        if (gui::WaitEventFor(0.05) != gui::TimerTick) continue;
        draw2d::TGraphics* graphics = canvas->CanvasGraphics();
        if (!graphics || !canvas->CanvasSurface()->MakeCurrent()) continue;
        draw2d::SetGraphics(graphics);
        draw2d::Cls();
        draw2d::DrawOval(40, 20, 80, 80);
        draw2d::Flip(0);
        ++frames;
    }
    timer->Stop();
    window->Free();
    if (frames < 10) {
        std::fprintf(stderr, "window: drew %d frames of 10\n", frames);
        return 1;
    }
    std::puts("window: ok");
    return 0;
}
