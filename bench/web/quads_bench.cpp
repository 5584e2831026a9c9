// What a frame of the game's size costs in the browser when drawn through
// Emscripten's legacy GL emulation (immediate mode, as the OpenGL 1.x back
// end draws: one glBegin/glEnd per shape) and through the WebGL back end
// (shapes batched). Each page draws 1,234 translucent quads a frame, about
// what a game tick draws, and prints the median and the worst of 300 frames
// on the console; bench/web/run_quads_bench.py opens both pages. Built as
// two programs from this file: LEGACY_GL selects the emulation.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#ifdef LEGACY_GL
#include <GL/gl.h>
#include <GL/glut.h>
#else
#include "graphics/draw2d.h"
#include "graphics/draw2d_webgl.h"
#include "graphics/surface.h"
#endif

namespace {

constexpr int kQuads = 1234, kFrames = 300, kColumns = 40;
constexpr int kWidth = 400, kHeight = 560;
std::vector<double> frameMs;

void EndFrame(double start, const char* what) {
    frameMs.push_back(emscripten_get_now() - start);
    if (int(frameMs.size()) < kFrames) return;
    std::sort(frameMs.begin(), frameMs.end());
    std::printf("%s: %d quads a frame, median %.3f ms, worst %.3f ms over %d frames\n", what,
                kQuads, frameMs[frameMs.size() / 2], frameMs.back(), kFrames);
    std::fflush(stdout);
    emscripten_cancel_main_loop();
}

float QuadX(int i) { return float(i % kColumns) * 10; }
float QuadY(int i) { return float(i / kColumns) * 10; }

#ifdef LEGACY_GL

void Frame() {
    const double start = emscripten_get_now();
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < kQuads; ++i) {
        const float x = QuadX(i), y = QuadY(i);
        glBegin(GL_QUADS);
        glColor4ub(100, 200, 100, 200);
        glVertex2f(x, y);
        glVertex2f(x + 8, y);
        glVertex2f(x + 8, y + 8);
        glVertex2f(x, y + 8);
        glEnd();
    }
    glFlush();
    EndFrame(start, "legacy GL emulation, immediate mode");
}

void Start(int argc, char** argv) {
    glutInit(&argc, argv);
    glutInitWindowSize(kWidth, kHeight);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE);
    glutCreateWindow("quads");
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, kHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

#else

// The page's canvas with the context the browser back end makes.
class CanvasSurface final : public draw2d::TSurface {
  public:
    int Width() const override { return kWidth; }
    int Height() const override { return kHeight; }
    bool MakeCurrent() override {
        if (!context_) {
            emscripten_set_canvas_element_size("#canvas", kWidth, kHeight);
            EmscriptenWebGLContextAttributes attributes;
            emscripten_webgl_init_context_attributes(&attributes);
            attributes.alpha = false;
            attributes.antialias = false;
            attributes.preserveDrawingBuffer = true;
            context_ = emscripten_webgl_create_context("#canvas", &attributes);
        }
        return context_ > 0 &&
               emscripten_webgl_make_context_current(context_) == EMSCRIPTEN_RESULT_SUCCESS;
    }
    void SwapBuffers() override {}

  private:
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context_ = 0;
};

core::Ref<draw2d::TGraphics> graphics;

void Frame() {
    const double start = emscripten_get_now();
    draw2d::SetGraphics(graphics);
    draw2d::SetBlend(draw2d::BLEND_ALPHA);
    draw2d::Cls();
    draw2d::SetColor(100, 200, 100);
    draw2d::SetAlpha(200 / 255.0f);
    for (int i = 0; i < kQuads; ++i) draw2d::DrawRect(QuadX(i), QuadY(i), 8, 8);
    draw2d::Flip(0);
    EndFrame(start, "WebGL back end, batched");
}

void Start(int, char**) {
    graphics = draw2d::AttachGraphics(core::Make<CanvasSurface>(), draw2d::WebGLDraw2DDriver());
}

#endif

} // namespace

int main(int argc, char** argv) {
    Start(argc, argv);
    emscripten_set_main_loop(Frame, 0, false);
    return 0;
}
