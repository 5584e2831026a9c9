#include "gui/system_driver.h"

#include "gui/backend.h"

namespace gui {
namespace {

enum class Choice { Undecided, Fltk, Headless };
Choice choice = Choice::Undecided;
int modifiers = 0;

// Built on first use with the back end chosen by then.
TBackend& Installed() {
    static TBackend backend = [] {
        if (choice == Choice::Undecided) choice = Choice::Fltk;
        return choice == Choice::Headless ? MakeHeadlessBackend() : MakeFltkBackend();
    }();
    return backend;
}

// Clears a flag on every way out of a dispatch, exceptions included.
class DispatchScope {
  public:
    explicit DispatchScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~DispatchScope() { flag_ = false; }
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;

  private:
    bool& flag_;
};

} // namespace

bool TSystemDriver::Poll() {
    if (dispatching_) return false;
    DispatchScope scope(dispatching_);
    DoPoll();
    return true;
}

bool TSystemDriver::Wait() {
    if (dispatching_) return false;
    DispatchScope scope(dispatching_);
    DoWait(-1);
    return true;
}

bool TSystemDriver::WaitFor(double seconds) {
    if (dispatching_) return false;
    DispatchScope scope(dispatching_);
    DoWait(seconds < 0 ? 0 : seconds);
    return true;
}

TSystemDriver* SystemDriver() { return Installed().system; }
TPaneGUIDriver* GuiDriver() { return Installed().gui; }

bool UseHeadlessDriver() {
    if (choice == Choice::Undecided) choice = Choice::Headless;
    return choice == Choice::Headless;
}

bool HeadlessDriverInUse() { return choice == Choice::Headless; }

int CurrentModifiers() { return modifiers; }
void SetCurrentModifiers(int mods) { modifiers = mods; }

void SetMouseVisible(int flag) { SystemDriver()->SetMouseVisible(flag); }
void Notify(const std::string& text, int serious) { SystemDriver()->Notify(text, serious); }

} // namespace gui
