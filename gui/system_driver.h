#pragma once
// The operating-system back end: message dispatch for the event queue and
// timers, and the mouse pointer. A program chooses its back end once, before
// its first gadget, timer or dispatch: UseHeadlessDriver() here, or
// UseFltkDriver() from gui/fltk.h (library Quorvel::gui_fltk). Using the GUI
// before choosing throws.

#include <optional>
#include <string>

#include "core/object.h"

namespace gui {

/// The operating-system back end (see the file's notes): dispatches messages, shows the pointer and
/// delivers timer ticks.
class TSystemDriver : public core::Object {
  public:
    /// Dispatch pending messages without waiting / waiting for at least one
    /// (at most `seconds` when given). Both do nothing and return false when
    /// called while either of them is already running (from a hook inside
    /// dispatch), so nested loops cannot start.
    bool Poll();
    /// See Poll.
    bool Wait();
    /// See Poll.
    bool WaitFor(double seconds);
    /// Whether Poll or Wait is running.
    bool Dispatching() const { return dispatching_; }
    /// False when no message can ever arrive (headless without a running
    /// timer): waiting for one would never end.
    virtual bool MayReceive() const { return true; }

    /// Tells the user something in a message box and waits until it is
    /// dismissed; `serious` marks an error. Headless, it is only recorded
    /// (see headless::Notices).
    virtual void Notify(const std::string& text, int serious) = 0;
    /// Asks the user for a line of text in a small dialog, `initial` filled
    /// in; nullopt when the user cancels or the back end cannot ask.
    virtual std::optional<std::string> Request(const std::string& text, const std::string& initial) {
        (void)text;
        (void)initial;
        return std::nullopt;
    }

    /// Shows (1) or hides (0) the mouse pointer over the canvases.
    virtual void SetMouseVisible(int flag) = 0;
    /// 1 when the pointer is shown.
    virtual int MouseVisible() const = 0;

    /// Thread-safe: asks the main thread to deliver a tick of the native timer
    /// `handle` during its next dispatch. The only call other threads make.
    virtual void PostTimerMessage(int handle) = 0;

  protected:
    /// Dispatches the pending messages without waiting.
    virtual void DoPoll() = 0;
    /// seconds < 0: wait without a limit.
    virtual void DoWait(double seconds) = 0;

  private:
    bool dispatching_ = false;
};

/// The installed driver; installs the chosen back end on first use.
TSystemDriver* SystemDriver();

/// Chooses the headless back end (no native windows) for this process. Must
/// come before the first gadget, timer or dispatch; returns false when
/// another back end was chosen first.
bool UseHeadlessDriver();
bool HeadlessDriverInUse();

/// The modifier keys (MODIFIER_* bits) as last seen by the system driver.
int CurrentModifiers();
void SetCurrentModifiers(int mods);

void SetMouseVisible(int flag);
void Notify(const std::string& text, int serious = 0);
std::optional<std::string> Request(const std::string& text, const std::string& initial = "");

} // namespace gui
