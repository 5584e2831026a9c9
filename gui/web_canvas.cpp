// The canvas of the browser back end: an HTML canvas whose WebGL context is
// the drawing surface's native surface, and whose mouse events become the
// gadget's reports. A press keeps the pointer's moves and the release coming
// to the canvas until the release, wherever it happens, as a desktop canvas
// does.
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <exception>
#include <string>

#include "graphics/draw2d_webgl.h"
#include "graphics/surface.h"
#include "gui/detail/web_gadget.h"
#include "gui/event.h"
#include "gui/system_driver.h"

// clang-format off
EM_JS(double, qv_element_left, (int id), {
    const el = document.getElementById("qv-" + id);
    return el ? el.getBoundingClientRect().left : 0;
});

EM_JS(double, qv_element_top, (int id), {
    const el = document.getElementById("qv-" + id);
    return el ? el.getBoundingClientRect().top : 0;
});
// clang-format on

namespace gui::web {
namespace {

// The page numbers buttons 0 left, 1 middle, 2 right; gadgets 1 left, 2 right, 3 middle.
int ButtonOf(unsigned short domButton) {
    switch (domButton) {
    case 0:
        return 1;
    case 1:
        return 3;
    case 2:
        return 2;
    default:
        return 0;
    }
}

int ModifiersOf(const EmscriptenMouseEvent& e) {
    return (e.shiftKey ? MODIFIER_SHIFT : 0) | (e.ctrlKey ? MODIFIER_CONTROL : 0) |
           (e.altKey ? MODIFIER_ALT : 0) | (e.metaKey ? MODIFIER_SYSTEM : 0);
}

// An exception must not cross into the browser's event dispatch: it is told
// on the console and the event is dropped.
template <class Action> void Guarded(const char* what, Action action) {
    try {
        action();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", what, e.what());
    }
}

class TWebCanvas;

// The canvas's WebGL context as the drawing surface's native surface. The
// context is made on first use, with what the desktop window has: no alpha
// (the page never shows through), no multisampling, and a drawing buffer
// that is kept after each frame so that the page can read it.
class TCanvasSurface final : public draw2d::TSurface {
  public:
    explicit TCanvasSurface(TGadget* canvas, std::string selector)
        : canvas_(canvas), selector_(std::move(selector)) {}
    void Detach() {
        canvas_ = nullptr;
        if (context_) emscripten_webgl_destroy_context(context_);
        context_ = 0;
    }

    int Width() const override { return canvas_ ? std::max(canvas_->width, 1) : 0; }
    int Height() const override { return canvas_ ? std::max(canvas_->height, 1) : 0; }
    int Hertz() const override { return 60; }
    bool MakeCurrent() override {
        if (!canvas_) return false;
        if (!context_) {
            EmscriptenWebGLContextAttributes attributes;
            emscripten_webgl_init_context_attributes(&attributes);
            attributes.alpha = false;
            attributes.depth = false;
            attributes.stencil = false;
            attributes.antialias = false;
            attributes.preserveDrawingBuffer = true;
            attributes.majorVersion = 1;
            context_ = emscripten_webgl_create_context(selector_.c_str(), &attributes);
            if (context_ <= 0) {
                context_ = 0;
                return false;
            }
            ++generation_;
        }
        return emscripten_webgl_make_context_current(context_) == EMSCRIPTEN_RESULT_SUCCESS;
    }
    // The browser shows the frame when the animation frame's work returns.
    void SwapBuffers() override {}
    unsigned ContextGeneration() const override { return generation_; }
    core::Ref<draw2d::TDraw2DDriver> NativeDriver() override { return draw2d::WebGLDraw2DDriver(); }

  private:
    TGadget* canvas_;
    std::string selector_;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context_ = 0;
    unsigned generation_ = 0;
};

class TWebCanvas final : public TWebGadget {
  public:
    TWebCanvas()
        : TWebGadget(GADGET_CANVAS), selector_("#qv-" + std::to_string(element)),
          surface_(core::Make<TCanvasSurface>(this, selector_)) {}
    ~TWebCanvas() override {
        Unlisten();
        surface_->Detach();
    }

    void NativeCreate() override {
        TWebGadget::NativeCreate();
        const char* target = selector_.c_str();
        emscripten_set_mousedown_callback(target, this, true, OnDown);
        emscripten_set_mousemove_callback(target, this, true, OnMove);
        emscripten_set_mouseup_callback(target, this, true, OnUp);
        emscripten_set_wheel_callback(target, this, true, OnWheel);
        // Drags and releases outside the canvas still belong to it.
        emscripten_set_mousemove_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, true,
                                          OnOutsideMove);
        emscripten_set_mouseup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, this, true, OnOutsideUp);
        ApplyCanvasCursor(CanvasCursorVisible());
    }
    void NativeDestroy() override {
        Unlisten();
        surface_->Detach();
        TWebGadget::NativeDestroy();
    }
    draw2d::TSurface* CanvasSurface() override { return Freed() ? nullptr : surface_.Get(); }
    draw2d::TGraphics* CanvasGraphics() override {
        if (!graphics_ && !Freed()) graphics_ = draw2d::AttachGraphics(surface_);
        return graphics_;
    }

  private:
    void Unlisten() {
        if (!created_) return;
        const char* target = selector_.c_str();
        emscripten_set_mousedown_callback(target, nullptr, true, nullptr);
        emscripten_set_mousemove_callback(target, nullptr, true, nullptr);
        emscripten_set_mouseup_callback(target, nullptr, true, nullptr);
        emscripten_set_wheel_callback(target, nullptr, true, nullptr);
        emscripten_set_mousemove_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, true, nullptr);
        emscripten_set_mouseup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, true, nullptr);
    }
    // The pointer in the canvas's pixels, from a window-wide event.
    int LocalX(const EmscriptenMouseEvent& e) const {
        return int(e.clientX - qv_element_left(element));
    }
    int LocalY(const EmscriptenMouseEvent& e) const {
        return int(e.clientY - qv_element_top(element));
    }

    static EM_BOOL OnDown(int, const EmscriptenMouseEvent* e, void* self) {
        auto* canvas = static_cast<TWebCanvas*>(self);
        const int button = ButtonOf(e->button);
        if (!button) return false;
        SetCurrentModifiers(ModifiersOf(*e));
        Guarded("mouse down", [&] {
            canvas->ReportMouseMove(int(e->targetX), int(e->targetY));
            canvas->ReportMouseDown(button, int(e->targetX), int(e->targetY));
        });
        return true;
    }
    static EM_BOOL OnMove(int, const EmscriptenMouseEvent* e, void* self) {
        auto* canvas = static_cast<TWebCanvas*>(self);
        SetCurrentModifiers(ModifiersOf(*e));
        Guarded("mouse move", [&] { canvas->ReportMouseMove(int(e->targetX), int(e->targetY)); });
        return true;
    }
    static EM_BOOL OnUp(int, const EmscriptenMouseEvent* e, void* self) {
        auto* canvas = static_cast<TWebCanvas*>(self);
        const int button = ButtonOf(e->button);
        if (!button) return false;
        SetCurrentModifiers(ModifiersOf(*e));
        Guarded("mouse up",
                [&] { canvas->ReportMouseUp(button, int(e->targetX), int(e->targetY)); });
        return true;
    }
    static EM_BOOL OnWheel(int, const EmscriptenWheelEvent* e, void* self) {
        auto* canvas = static_cast<TWebCanvas*>(self);
        if (e->deltaY == 0) return false;
        // The page counts a turn towards the user as positive.
        const int notches = e->deltaY > 0 ? -1 : 1;
        Guarded("mouse wheel", [&] {
            canvas->ReportMouseWheel(notches, int(e->mouse.targetX), int(e->mouse.targetY));
        });
        return true;
    }
    // Outside the canvas only while a button pressed on it is held.
    static EM_BOOL OnOutsideMove(int, const EmscriptenMouseEvent* e, void* self) {
        auto* canvas = static_cast<TWebCanvas*>(self);
        if (!canvas->ButtonsHeld()) return false;
        Guarded("mouse move",
                [&] { canvas->ReportMouseMove(canvas->LocalX(*e), canvas->LocalY(*e)); });
        return false;
    }
    static EM_BOOL OnOutsideUp(int, const EmscriptenMouseEvent* e, void* self) {
        auto* canvas = static_cast<TWebCanvas*>(self);
        const int button = ButtonOf(e->button);
        if (!button || !canvas->ButtonsHeld()) return false;
        Guarded("mouse up",
                [&] { canvas->ReportMouseUp(button, canvas->LocalX(*e), canvas->LocalY(*e)); });
        return false;
    }

    std::string selector_;
    core::Ref<TCanvasSurface> surface_;
    core::Ref<draw2d::TGraphics> graphics_;
};

} // namespace

core::Ref<TGadget> NewCanvas() { return core::Make<TWebCanvas>(); }

} // namespace gui::web
