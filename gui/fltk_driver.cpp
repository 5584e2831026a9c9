#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <FL/x.H>

#include "gui/detail/backend.h"
#include "gui/detail/fltk_gadget.h"
#include "gui/display.h"
#include "gui/fltk.h"

namespace gui {
namespace {

using namespace fltk;

// Scoped flag for FLTK dispatch, exceptions included.
class DispatchScope {
  public:
    DispatchScope() { SetDispatching(true); }
    ~DispatchScope() { SetDispatching(false); }
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;
};

constexpr double FOREVER_SECONDS = 1e20;

void OnTimerMessage(void* handle) {
    DeliverTimerMessage(static_cast<int>(reinterpret_cast<std::intptr_t>(handle)));
}

std::string QuotedDisplayName(const char* name) {
    return name && *name ? "\"" + std::string(name) + "\"" : "(DISPLAY is not set)";
}

// Xlib calls this once the connection is broken, and ends the process with
// exit() should it return, running destructors against the dead display.
int OnBrokenConnection(Display* display) {
    DisplayLost("Lost the connection to the X display " +
                QuotedDisplayName(DisplayString(display)));
}

class TFltkSystemDriver final : public TSystemDriver {
  public:
    // Without the lock taken once, FLTK never runs an awake callback.
    TFltkSystemDriver() {
        Fl::lock();
        // A server busy with a burst of new clients answers "try again":
        // ask a few times before FLTK gives up on the display for good.
        for (int attempt = 0; !fl_display && attempt < 40; ++attempt) {
            if (Display* display = XOpenDisplay(nullptr)) {
                fl_open_display(display);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        // Left to FLTK, a missing display ends the process from inside.
        if (!fl_display)
            throw DisplayError("Cannot open the X display " +
                               QuotedDisplayName(XDisplayName(nullptr)));
        XSetIOErrorHandler(OnBrokenConnection);
    }

    void SetMouseVisible(int flag) override {
        if ((flag != 0) != CanvasCursorVisible()) ApplyCanvasCursor(flag != 0);
    }
    int MouseVisible() const override { return CanvasCursorVisible() ? 1 : 0; }
    void Notify(const std::string& text, int serious) override {
        if (serious)
            fl_alert("%s", text.c_str());
        else
            fl_message("%s", text.c_str());
    }
    std::optional<std::string> Request(const std::string& text, const std::string& initial) override {
        const char* answer = fl_input("%s", initial.c_str(), text.c_str());
        if (!answer) return std::nullopt;
        return std::string(answer);
    }

    // Timer threads: FLTK's thread-safe wake-up carries the handle.
    void PostTimerMessage(int handle) override {
        Fl::awake(OnTimerMessage, reinterpret_cast<void*>(static_cast<std::intptr_t>(handle)));
    }

  protected:
    void DoPoll() override {
        DispatchScope scope;
        Fl::check();
    }
    void DoWait(double seconds) override {
        DispatchScope scope;
        // Fl::wait() without a time returns at once while no window is
        // shown, so a timer-only program would never see its ticks.
        Fl::wait(seconds < 0 ? FOREVER_SECONDS : seconds);
    }
};

class TFltkGUIDriver final : public TPaneGUIDriver {
  public:
    // The gadgets go down with the program's statics: delete widgets directly.
    ~TFltkGUIDriver() override { SetTearingDown(); }

  protected:
    core::Ref<TGadget> NewGadget(int gadgetClass) override {
        switch (gadgetClass) {
        case GADGET_WINDOW:
            return NewWindow();
        case GADGET_BUTTON:
            return NewButton();
        case GADGET_LABEL:
            return NewLabel();
        case GADGET_CANVAS:
            return NewCanvas();
        default:
            return nullptr;
        }
    }
    int DesktopWidth() override { return Fl::w(); }
    int DesktopHeight() override { return Fl::h(); }
};

TBackend MakeFltkBackend() {
    return TBackend{core::Make<TFltkSystemDriver>(), core::Make<TFltkGUIDriver>()};
}

} // namespace

bool UseFltkDriver() { return UseBackend(MakeFltkBackend); }

} // namespace gui
