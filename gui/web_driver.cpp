// The browser back end's drivers. There is no waiting in a browser: the page
// calls the program back on events and on animation frames. Timers are
// paced by the frames (gui/detail/backend.h, DeliverDueTimers), their ticks
// kept here and delivered one a dispatch when the program polls; Wait
// cannot block, so it does what Poll does, and MayReceive tells a waiting
// loop that nothing more will come until the next frame.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <vector>

#include "gui/detail/backend.h"
#include "gui/detail/web_gadget.h"
#include "gui/web.h"

// clang-format off
EM_JS(void, qv_notify, (const char* text, int serious), {
    const message = UTF8ToString(text);
    (serious ? console.error : console.log)(message);
    const box = document.getElementById("quorvel-notice");
    if (box) {
        box.textContent = message;
        box.style.display = "block";
    }
});
// clang-format on

EM_JS(int, qv_screen_width, (), { return window.innerWidth | 0; });
EM_JS(int, qv_screen_height, (), { return window.innerHeight | 0; });

namespace gui {
namespace {

class TWebSystemDriver final : public TSystemDriver {
  public:
    void SetMouseVisible(int flag) override { web::ApplyCanvasCursor(flag != 0); }
    int MouseVisible() const override { return web::CanvasCursorVisible() ? 1 : 0; }
    // Shown on the page and the console; the page cannot stop for a dialog.
    void Notify(const std::string& text, int serious) override { qv_notify(text.c_str(), serious); }
    bool MayReceive() const override { return !messages_.empty(); }
    void PostTimerMessage(int handle) override { messages_.push_back(handle); }

  protected:
    // One tick a dispatch: the queue keeps one tick event of a timer, so
    // two delivered at once would count as one, and a browser drawing 30
    // frames a second would play at half speed. A frame that polls until
    // the queue is empty takes every tick due, one after another.
    void DoPoll() override {
        DeliverDueTimers();
        if (messages_.empty()) return;
        const int handle = messages_.front();
        messages_.erase(messages_.begin());
        DeliverTimerMessage(handle);
    }
    void DoWait(double) override { DoPoll(); }

  private:
    std::vector<int> messages_;
};

class TWebGUIDriver final : public TPaneGUIDriver {
  protected:
    core::Ref<TGadget> NewGadget(int gadgetClass) override { return web::NewGadget(gadgetClass); }
    int DesktopWidth() override { return qv_screen_width(); }
    int DesktopHeight() override { return qv_screen_height(); }
};

TBackend MakeWebBackend() {
    return TBackend{core::Make<TWebSystemDriver>(), core::Make<TWebGUIDriver>()};
}

void (*frameFunction)() = nullptr;

void OnAnimationFrame() {
    if (frameFunction) frameFunction();
}

} // namespace

bool UseWebDriver() { return UseBackend(MakeWebBackend); }

namespace web {

void StartFrames(void (*frame)()) {
    const bool running = frameFunction != nullptr;
    frameFunction = frame;
    // 0 frames a second: the browser's own rate (requestAnimationFrame); no
    // simulated endless loop, so the caller returns and the page runs on.
    if (!running) emscripten_set_main_loop(OnAnimationFrame, 0, false);
}

void StopFrames() {
    if (!frameFunction) return;
    frameFunction = nullptr;
    emscripten_cancel_main_loop();
}

} // namespace web
} // namespace gui
