#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "graphics/graphics.h"
#include "graphics/image.h"
#include "graphics/recording_driver.h"

#include "gui/detail/backend.h"
#include "gui/headless.h"

namespace gui {
namespace {

int desktopWidth = 1280, desktopHeight = 1024;

std::vector<headless::Notice>& NoticeLog() {
    static std::vector<headless::Notice> notices;
    return notices;
}

std::deque<std::optional<std::string>>& Answers() {
    static std::deque<std::optional<std::string>> answers;
    return answers;
}

// A surface without OpenGL: the recording back end draws on it.
class THeadlessSurface final : public draw2d::TSurface {
  public:
    explicit THeadlessSurface(TGadget* canvas) : canvas_(canvas) {}
    int Width() const override { return canvas_ ? canvas_->ClientWidth() : 0; }
    int Height() const override { return canvas_ ? canvas_->ClientHeight() : 0; }
    bool MakeCurrent() override { return canvas_ != nullptr; }
    void SwapBuffers() override { ++swaps; }
    void Detach() { canvas_ = nullptr; }
    int swaps = 0;

  private:
    TGadget* canvas_;
};

class THeadlessCanvas final : public TGadget {
  public:
    THeadlessCanvas() : TGadget(GADGET_CANVAS), surface(core::Make<THeadlessSurface>(this)) {}
    ~THeadlessCanvas() override { surface->Detach(); }
    bool TakesFocus() const override { return true; }
    draw2d::TGraphics* CanvasGraphics() override {
        if (!graphics_ && !Freed())
            graphics_ = draw2d::AttachGraphics(surface, core::Make<draw2d::TRecordingDriver>());
        return graphics_;
    }
    draw2d::TSurface* CanvasSurface() override { return Freed() ? nullptr : surface.Get(); }
    void NativeDestroy() override { surface->Detach(); }

    const core::Ref<THeadlessSurface> surface;

  private:
    core::Ref<draw2d::TGraphics> graphics_;
};

class THeadlessButton final : public TGadget {
  public:
    THeadlessButton() : TGadget(GADGET_BUTTON) {}
    bool TakesFocus() const override { return true; }
};

class THeadlessGUIDriver final : public TPaneGUIDriver {
  protected:
    core::Ref<TGadget> NewGadget(int gadgetClass) override {
        switch (gadgetClass) {
        case GADGET_CANVAS:
            return core::Make<THeadlessCanvas>();
        case GADGET_BUTTON:
            return core::Make<THeadlessButton>();
        case GADGET_WINDOW:
        case GADGET_LABEL:
            return core::Make<TGadget>(gadgetClass);
        default:
            return nullptr;
        }
    }
    int DesktopWidth() override { return desktopWidth; }
    int DesktopHeight() override { return desktopHeight; }
};

// Timer threads post here; Poll and Wait deliver on the main thread.
class THeadlessSystemDriver final : public TSystemDriver {
  public:
    void SetMouseVisible(int flag) override { mouseVisible_ = flag ? 1 : 0; }
    int MouseVisible() const override { return mouseVisible_; }
    void Notify(const std::string& text, int serious) override {
        NoticeLog().push_back({text, serious});
    }
    // The answers a test gave beforehand, in turn; cancelled when none is left.
    std::optional<std::string> Request(const std::string&, const std::string&) override {
        if (Answers().empty()) return std::nullopt;
        std::optional<std::string> answer = Answers().front();
        Answers().pop_front();
        return answer;
    }
    bool MayReceive() const override { return RunningTimerCount() > 0 || HasMessages(); }

    void PostTimerMessage(int handle) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            messages_.push_back(handle);
        }
        arrived_.notify_one();
    }

  protected:
    void DoPoll() override { Deliver(TakeMessages()); }

    // Without a running timer nothing can arrive, so it returns at once; with
    // one it waits for the next tick, never longer than `seconds` (or a
    // second, as a guard against a stalled timer thread).
    void DoWait(double seconds) override {
        std::vector<int> messages = TakeMessages();
        if (messages.empty() && RunningTimerCount() > 0) {
            const double limit = seconds < 0 ? 1.0 : std::min(seconds, 1.0);
            std::unique_lock<std::mutex> lock(mutex_);
            arrived_.wait_for(lock, std::chrono::duration<double>(limit),
                              [this] { return !messages_.empty(); });
            messages.swap(messages_);
        }
        Deliver(messages);
    }

  private:
    bool HasMessages() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return !messages_.empty();
    }
    std::vector<int> TakeMessages() {
        std::vector<int> taken;
        std::lock_guard<std::mutex> lock(mutex_);
        taken.swap(messages_);
        return taken;
    }
    static void Deliver(const std::vector<int>& messages) {
        for (int handle : messages) DeliverTimerMessage(handle);
    }

    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<int> messages_;
    int mouseVisible_ = 1;
};

} // namespace

TBackend MakeHeadlessBackend() {
    return TBackend{core::Make<THeadlessSystemDriver>(), core::Make<THeadlessGUIDriver>()};
}

namespace headless {

void SetDesktopSize(int w, int h) {
    desktopWidth = std::max(w, 0);
    desktopHeight = std::max(h, 0);
}

void Click(TGadget* gadget, int x, int y, int button) {
    if (!gadget) return;
    gadget->ReportMouseMove(x, y);
    gadget->ReportMouseDown(button, x, y);
    gadget->ReportMouseUp(button, x, y);
}

int SwapCount(TGadget* canvas) {
    auto* headlessCanvas = dynamic_cast<THeadlessCanvas*>(canvas);
    return headlessCanvas ? headlessCanvas->surface->swaps : 0;
}

const std::vector<Notice>& Notices() { return NoticeLog(); }

void AnswerRequest(std::optional<std::string> answer) { Answers().push_back(std::move(answer)); }

} // namespace headless
} // namespace gui
