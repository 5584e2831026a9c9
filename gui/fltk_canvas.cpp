#include <algorithm>
#include <cstring>
#include <vector>

#include <FL/Fl.H>
#include <FL/Fl_Gl_Window.H>
#include <FL/x.H>
#include <GL/glx.h>

#include "graphics/draw2d_gl.h"
#include "gui/detail/fltk_gadget.h"

namespace gui::fltk {
namespace {

bool cursorVisible = true;

class FlCanvas;
// Never destroyed: a canvas held by one of the program's statics is deleted
// while the statics go down, after any list of ours would be gone.
std::vector<FlCanvas*>& LiveCanvases() {
    static auto* canvases = new std::vector<FlCanvas*>;
    return *canvases;
}

// FLTK numbers the middle button 2 and the right one 3.
int ButtonOf(int flButton) {
    switch (flButton) {
    case FL_LEFT_MOUSE:
        return 1;
    case FL_RIGHT_MOUSE:
        return 2;
    case FL_MIDDLE_MOUSE:
        return 3;
    default:
        return 0;
    }
}

// The OpenGL window of a canvas. Painting only reports GadgetPaint: the
// application draws (and swaps) through the canvas's graphics.
class FlCanvas final : public Fl_Gl_Window {
  public:
    FlCanvas(TGadget* gadget, int x, int y, int w, int h)
        : Fl_Gl_Window(x, y, w, h), gadget_(gadget) {
        end();
        mode(FL_RGB8 | FL_DOUBLE);
        LiveCanvases().push_back(this);
    }
    ~FlCanvas() override { std::erase(LiveCanvases(), this); }
    void Unbind() { gadget_ = nullptr; }

    void ApplyCursor() {
        if (shown()) cursor(cursorVisible ? FL_CURSOR_DEFAULT : FL_CURSOR_NONE);
    }
    void show() override {
        Fl_Gl_Window::show();
        ApplyCursor();
    }
    void flush() override {
        if (gadget_) gadget_->ReportPaint();
    }

    int handle(int event) override {
        TrackModifiers();
        if (!gadget_) return Fl_Gl_Window::handle(event);
        const int x = Fl::event_x(), y = Fl::event_y();
        switch (event) {
        case FL_ENTER:
        case FL_MOVE:
        case FL_DRAG:
            gadget_->ReportMouseMove(x, y);
            return 1;
        case FL_LEAVE:
            return 1;
        case FL_PUSH:
            // Accepting the press keeps drags and the release coming here.
            if (const int button = ButtonOf(Fl::event_button())) {
                gadget_->ReportMouseDown(button, x, y);
                return 1;
            }
            return 0;
        case FL_RELEASE:
            if (const int button = ButtonOf(Fl::event_button()))
                gadget_->ReportMouseUp(button, x, y);
            return 1;
        case FL_MOUSEWHEEL:
            // FLTK counts notches towards the user as positive.
            if (Fl::event_dy() == 0) return 0;
            gadget_->ReportMouseWheel(-Fl::event_dy(), x, y);
            return 1;
        case FL_FOCUS:
        case FL_UNFOCUS:
            return 1;
        default:
            return Fl_Gl_Window::handle(event);
        }
    }

  protected:
    void draw() override {}

  private:
    TGadget* gadget_;
};

bool HasGlxExtension(const char* name) {
    const char* list = glXQueryExtensionsString(fl_display, fl_screen);
    if (!list) return false;
    const std::size_t length = std::strlen(name);
    for (const char* at = list; (at = std::strstr(at, name)); at += length)
        if ((at == list || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) return true;
    return false;
}

// The canvas's OpenGL window as the drawing surface's native surface.
class TCanvasSurface final : public draw2d::TSurface {
  public:
    explicit TCanvasSurface(FlCanvas* window) : window_(window) {}
    void Detach() { window_ = nullptr; }

    int Width() const override { return window_ ? window_->w() : 0; }
    int Height() const override { return window_ ? window_->h() : 0; }
    bool MakeCurrent() override {
        if (!window_ || !window_->shown()) return false;
        window_->make_current();
        // FLTK drops the context whenever the window is hidden; what was
        // made in the old one (textures) must be made again.
        if (window_->context() != lastContext_) {
            lastContext_ = window_->context();
            ++generation_;
        }
        return lastContext_ != nullptr;
    }
    unsigned ContextGeneration() const override { return generation_; }
    core::Ref<draw2d::TDraw2DDriver> NativeDriver() override { return draw2d::GLDraw2DDriver(); }
    void SwapBuffers() override {
        if (window_ && window_->shown()) window_->swap_buffers();
    }
    // Only what the GLX extension string names is used: the function lookup
    // answers for any name.
    bool SetSwapInterval(int interval) override {
        if (!window_ || !window_->shown()) return false;
        using SwapEXT = void (*)(Display*, GLXDrawable, int);
        using SwapMESA = int (*)(unsigned);
        using SwapSGI = int (*)(int);
        auto lookup = [](const char* name) {
            return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
        };
        if (HasGlxExtension("GLX_EXT_swap_control")) {
            auto swap = reinterpret_cast<SwapEXT>(lookup("glXSwapIntervalEXT"));
            if (!swap) return false;
            swap(fl_display, fl_xid(window_), interval);
            return true;
        }
        if (HasGlxExtension("GLX_MESA_swap_control")) {
            auto swap = reinterpret_cast<SwapMESA>(lookup("glXSwapIntervalMESA"));
            return swap && swap(static_cast<unsigned>(interval)) == 0;
        }
        if (HasGlxExtension("GLX_SGI_swap_control") && interval > 0) {
            auto swap = reinterpret_cast<SwapSGI>(lookup("glXSwapIntervalSGI"));
            return swap && swap(interval) == 0;
        }
        return false;
    }

  private:
    FlCanvas* window_;
    GLContext lastContext_ = nullptr;
    unsigned generation_ = 0;
};

class TFltkCanvas final : public TFltkGadget {
  public:
    TFltkCanvas() : TFltkGadget(GADGET_CANVAS) {}
    ~TFltkCanvas() override { NativeDestroy(); }

    bool TakesFocus() const override { return true; }
    void NativeCreate() override {
        canvas_ = new FlCanvas(this, xpos, ypos, std::max(width, 1), std::max(height, 1));
        surface_ = core::Make<TCanvasSurface>(canvas_);
        Adopt(canvas_);
    }
    void NativeShape() override {
        // An OpenGL window cannot be 0 pixels wide: hide it instead.
        if (canvas_) {
            canvas_->resize(xpos, ypos, std::max(width, 1), std::max(height, 1));
            NativeShow();
        }
    }
    void NativeShow() override {
        if (!canvas_) return;
        if (!visible || width <= 0 || height <= 0) {
            canvas_->hide();
            return;
        }
        // The OpenGL window itself exists only once its window is on screen.
        Fl_Window* top = canvas_->window();
        if (top && top->shown())
            canvas_->show();
        else
            canvas_->Fl_Widget::show();
    }
    // The paint is reported by Activate itself, at once.
    void NativeRedraw() override {}
    draw2d::TSurface* CanvasSurface() override { return surface_; }
    draw2d::TGraphics* CanvasGraphics() override {
        if (!graphics_ && surface_)
            graphics_ = draw2d::AttachGraphics(surface_);
        return graphics_;
    }

  protected:
    void Unbind() override {
        if (surface_) surface_->Detach();
        surface_ = nullptr;
        if (canvas_) canvas_->Unbind();
        canvas_ = nullptr;
    }

  private:
    FlCanvas* canvas_ = nullptr;
    core::Ref<TCanvasSurface> surface_;
    core::Ref<draw2d::TGraphics> graphics_;
};

} // namespace

void ApplyCanvasCursor(bool visible) {
    cursorVisible = visible;
    for (FlCanvas* canvas : LiveCanvases()) canvas->ApplyCursor();
}

bool CanvasCursorVisible() { return cursorVisible; }

core::Ref<TGadget> NewCanvas() { return core::Make<TFltkCanvas>(); }

} // namespace gui::fltk
