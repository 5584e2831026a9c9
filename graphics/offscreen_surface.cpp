#include "graphics/offscreen_surface.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

#include <chrono>
#include <thread>

#include "graphics/draw2d_gl.h"

namespace draw2d {
namespace {

// One connection to the X server for every offscreen surface, opened on
// first use and kept for the life of the program: opening many in a row can
// be refused while the server catches up, and closing it unloads Mesa's
// driver, which leaves memory of its own behind.
Display* SharedDisplay() {
    static Display* display = nullptr;
    // A busy server answers "try again" to a burst of connections.
    for (int attempt = 0; !display && attempt < 20; ++attempt) {
        if ((display = XOpenDisplay(nullptr))) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return display;
}

// X errors while the pbuffer is made are answers, not reasons to exit.
int xErrors = 0;
int CountXError(Display*, XErrorEvent*) {
    ++xErrors;
    return 0;
}

int Attrib(Display* display, GLXFBConfig config, int attribute) {
    int value = 0;
    glXGetFBConfigAttrib(display, config, attribute, &value);
    return value;
}

// Single-buffered, so a swap leaves the picture in place to be read back;
// 8 bits per colour channel at the screen's own depth, since the software
// rasteriser puts the pbuffer's pixels through the X server.
GLXFBConfig ChooseConfig(Display* display) {
    const int attribs[] = {GLX_DRAWABLE_TYPE,
                           GLX_PBUFFER_BIT,
                           GLX_RENDER_TYPE,
                           GLX_RGBA_BIT,
                           GLX_RED_SIZE,
                           8,
                           GLX_GREEN_SIZE,
                           8,
                           GLX_BLUE_SIZE,
                           8,
                           GLX_DOUBLEBUFFER,
                           False,
                           None};
    const int screen = DefaultScreen(display);
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, screen, attribs, &count);
    if (!configs) return nullptr;
    GLXFBConfig chosen = nullptr;
    for (int i = 0; i < count && !chosen; ++i) {
        const GLXFBConfig c = configs[i];
        if (Attrib(display, c, GLX_RED_SIZE) == 8 && Attrib(display, c, GLX_GREEN_SIZE) == 8 &&
            Attrib(display, c, GLX_BLUE_SIZE) == 8 &&
            Attrib(display, c, GLX_BUFFER_SIZE) == DefaultDepth(display, screen))
            chosen = c;
    }
    XFree(configs);
    return chosen;
}

class TOffscreenSurface final : public TSurface {
  public:
    TOffscreenSurface(int width, int height) : width_(width), height_(height) {}
    core::Ref<TDraw2DDriver> NativeDriver() override { return GLDraw2DDriver(); }
    ~TOffscreenSurface() override {
        Display* display = display_;
        if (!display) return;
        if (context_ && glXGetCurrentContext() == context_)
            glXMakeContextCurrent(display, None, None, nullptr);
        if (context_) glXDestroyContext(display, context_);
        if (pbuffer_) glXDestroyPbuffer(display, pbuffer_);
    }

    bool Open() {
        display_ = SharedDisplay();
        if (!display_) return false;
        Display* display = display_;
        const GLXFBConfig config = ChooseConfig(display);
        if (!config) return false;
        const int pbufferAttribs[] = {GLX_PBUFFER_WIDTH,
                                      width_,
                                      GLX_PBUFFER_HEIGHT,
                                      height_,
                                      GLX_PRESERVED_CONTENTS,
                                      True,
                                      None};
        xErrors = 0;
        auto* previous = XSetErrorHandler(CountXError);
        pbuffer_ = glXCreatePbuffer(display, config, pbufferAttribs);
        context_ = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
        XSync(display, False);
        XSetErrorHandler(previous);
        return pbuffer_ && context_ && xErrors == 0;
    }

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool MakeCurrent() override {
        return glXMakeContextCurrent(display_, pbuffer_, pbuffer_, context_) == True;
    }
    // Nothing to show: finishing the frame is what a swap means here.
    void SwapBuffers() override { glFinish(); }

  private:
    int width_, height_;
    Display* display_ = nullptr;
    GLXPbuffer pbuffer_ = 0;
    GLXContext context_ = nullptr;
};

} // namespace

core::Ref<TSurface> CreateOffscreenSurface(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    core::Ref<TOffscreenSurface> surface = core::Make<TOffscreenSurface>(width, height);
    if (!surface->Open()) return nullptr;
    return surface;
}

} // namespace draw2d
