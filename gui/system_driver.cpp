#include "gui/system_driver.h"

#include "core/error.h"
#include "gui/detail/backend.h"

namespace gui {
namespace {

BackendMaker chosen = nullptr;
int modifiers = 0;

// Built on first use with the back end chosen by then.
TBackend& Installed() {
    static TBackend backend = [] {
        if (!chosen)
            throw core::RuntimeError("No GUI back end chosen: call gui::UseFltkDriver() or "
                                     "gui::UseHeadlessDriver() first");
        return chosen();
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

bool UseBackend(BackendMaker make) {
    if (!chosen) chosen = make;
    return chosen == make;
}

bool UseHeadlessDriver() { return UseBackend(MakeHeadlessBackend); }

bool HeadlessDriverInUse() { return chosen == MakeHeadlessBackend; }

int CurrentModifiers() { return modifiers; }
void SetCurrentModifiers(int mods) { modifiers = mods; }

void SetMouseVisible(int flag) { SystemDriver()->SetMouseVisible(flag); }
void Notify(const std::string& text, int serious) { SystemDriver()->Notify(text, serious); }
std::optional<std::string> Request(const std::string& text, const std::string& initial) {
    return SystemDriver()->Request(text, initial);
}

} // namespace gui
