#pragma once
// Events: everything that happens (input, gadget actions, window changes,
// timer ticks) becomes a TEvent that runs through the emitEventHook chain.

#include <cstdint>
#include <string>

#include "core/object.h"

namespace gui {

/// Event ids; each has a registered description of the same name.
inline constexpr int AppSuspend = 0x101;
inline constexpr int AppResume = 0x102;
inline constexpr int AppTerminate = 0x103;
inline constexpr int AppOpenFile = 0x104;
inline constexpr int AppIdle = 0x105;
inline constexpr int KeyDown = 0x201;
inline constexpr int KeyUp = 0x202;
inline constexpr int KeyChar = 0x203;
inline constexpr int KeyRepeat = 0x204;
inline constexpr int MouseDown = 0x401;
inline constexpr int MouseUp = 0x402;
inline constexpr int MouseMove = 0x403;
inline constexpr int MouseWheel = 0x404;
inline constexpr int MouseEnter = 0x405;
inline constexpr int MouseLeave = 0x406;
inline constexpr int TimerTick = 0x801;
inline constexpr int HotkeyHit = 0x1001;
inline constexpr int GadgetAction = 0x2001;
inline constexpr int GadgetPaint = 0x2002;
inline constexpr int GadgetSelect = 0x2003;
inline constexpr int GadgetMenu = 0x2004;
inline constexpr int GadgetOpen = 0x2005;
inline constexpr int GadgetClose = 0x2006;
inline constexpr int GadgetDone = 0x2007;
inline constexpr int GadgetLostFocus = 0x2008;
inline constexpr int GadgetShape = 0x2009;
inline constexpr int WindowMove = 0x4001;
inline constexpr int WindowSize = 0x4002;
inline constexpr int WindowClose = 0x4003;
inline constexpr int WindowActivate = 0x4004;
inline constexpr int WindowAccept = 0x4005;
inline constexpr int MenuAction = 0x8001;
inline constexpr int StreamEof = 0x10001;
inline constexpr int StreamAvail = 0x10002;
inline constexpr int ProcessExit = 0x20001;

/// Ids from here upwards belong to the application (AllocUserId).
inline constexpr std::uint32_t USER_ID_BASE = 0x80000000u;

/// Modifier bits of TEvent::mods.
inline constexpr int MODIFIER_SHIFT = 1;
inline constexpr int MODIFIER_CONTROL = 2;
inline constexpr int MODIFIER_ALT = 4;
inline constexpr int MODIFIER_SYSTEM = 8;

/// Something that happened: input, a gadget's action, a change of a window, a timer's tick. Emitted
/// through the emitEventHook chain and then queued.
class TEvent : public core::Object {
  public:
    /// What happened: one of the event ids (MouseDown, TimerTick ...).
    int id = 0;
    core::Ref<core::Object> source; ///< gadget, timer or none
    int data = 0;                   ///< button, tick count, wheel notches, key ...
    /// MODIFIER_ bits held at the time.
    int mods = 0;
    ///@{
    /// Position, in the source gadget's client pixels for mouse events; a window's position or size
    /// for window events.
    int x = 0, y = 0;
    ///@}
    /// More data, such as a string; none mostly.
    core::Ref<core::Object> extra;

    /// "<description>: data=.., mods=.., x=.., y=.., extra=\"..\""
    std::string ToString() const override;
    /// Runs the event through the emitEventHook chain (the queue's hook is last).
    virtual void Emit();

    /// A new event with these fields (not yet emitted).
    static core::Ref<TEvent> Create(int id, core::Object* source = nullptr, int data = 0,
                                    int mods = 0, int x = 0, int y = 0,
                                    core::Object* extra = nullptr);
    /// 0x80000001 on the first call, then one more each call.
    static int AllocUserId();
    /// Gives an id a description (ToString and DescriptionForId use it).
    static void RegisterId(int id, const std::string& description);
    /// Empty when none was registered.
    static std::string DescriptionForId(int id);
};

/// Hook id on which every emitted event runs. It is allocated when the event
/// module starts, which happens before main(); code that runs during static
/// initialisation calls StartEvents() for it instead.
extern const int emitEventHook;

/// Starts the event module and the queue once: allocates the hook id,
/// registers the descriptions, installs the queue's hook. Returns the hook id.
int StartEvents();

/// Creates an event with these fields and emits it.
void EmitEvent(int id, core::Object* source, int data = 0, int mods = 0, int x = 0, int y = 0,
               core::Object* extra = nullptr);

} // namespace gui
