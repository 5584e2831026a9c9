#include "gui/event.h"

#include <unordered_map>

#include "core/error.h"
#include "core/hook.h"
#include "gui/event_queue.h"

namespace gui {
namespace {

struct IdDescription {
    int id;
    const char* description;
};

constexpr IdDescription builtInIds[] = {
    {AppSuspend, "AppSuspend"},
    {AppResume, "AppResume"},
    {AppTerminate, "AppTerminate"},
    {AppOpenFile, "AppOpenFile"},
    {AppIdle, "AppIdle"},
    {KeyDown, "KeyDown"},
    {KeyUp, "KeyUp"},
    {KeyChar, "KeyChar"},
    {KeyRepeat, "KeyRepeat"},
    {MouseDown, "MouseDown"},
    {MouseUp, "MouseUp"},
    {MouseMove, "MouseMove"},
    {MouseWheel, "MouseWheel"},
    {MouseEnter, "MouseEnter"},
    {MouseLeave, "MouseLeave"},
    {TimerTick, "TimerTick"},
    {HotkeyHit, "HotkeyHit"},
    {GadgetAction, "GadgetAction"},
    {GadgetPaint, "GadgetPaint"},
    {GadgetSelect, "GadgetSelect"},
    {GadgetMenu, "GadgetMenu"},
    {GadgetOpen, "GadgetOpen"},
    {GadgetClose, "GadgetClose"},
    {GadgetDone, "GadgetDone"},
    {GadgetLostFocus, "GadgetLostFocus"},
    {GadgetShape, "GadgetShape"},
    {WindowMove, "WindowMove"},
    {WindowSize, "WindowSize"},
    {WindowClose, "WindowClose"},
    {WindowActivate, "WindowActivate"},
    {WindowAccept, "WindowAccept"},
    {MenuAction, "MenuAction"},
    {StreamEof, "StreamEof"},
    {StreamAvail, "StreamAvail"},
    {ProcessExit, "ProcessExit"},
};

std::unordered_map<int, std::string>& Descriptions() {
    static std::unordered_map<int, std::string> descriptions;
    return descriptions;
}

std::uint32_t lastUserId = USER_ID_BASE;

// Events that stand for a state rather than an occurrence: a queued one takes
// over the newer values, so a busy main loop sees the latest, once.
bool MergesWhenQueued(int id) {
    return id == TimerTick || id == GadgetAction || id == WindowMove || id == WindowSize;
}

core::Ref<core::Object> QueueHook(int, core::Object* data, core::Object*) {
    TEvent* event = core::As<TEvent>(data);
    if (!event) return nullptr;
    PostEvent(event, MergesWhenQueued(event->id) ? 1 : 0);
    return event;
}

} // namespace

int StartEvents() {
    static const int hookId = [] {
        int id = core::AllocHookId();
        for (const IdDescription& entry : builtInIds)
            Descriptions().emplace(entry.id, entry.description);
        core::AddHook(id, QueueHook, nullptr, -10000);
        return id;
    }();
    return hookId;
}

const int emitEventHook = StartEvents();

std::string TEvent::ToString() const {
    std::string text = DescriptionForId(id);
    if (text.empty()) {
        const auto uid = static_cast<std::uint32_t>(id);
        text = uid >= USER_ID_BASE ? "UserEvent" + std::to_string(uid - USER_ID_BASE)
                                   : "Unknown Event, id=" + std::to_string(id);
    }
    const auto* extraText = core::As<core::TString>(extra.Get());
    return text + ": data=" + std::to_string(data) + ", mods=" + std::to_string(mods) +
           ", x=" + std::to_string(x) + ", y=" + std::to_string(y) + ", extra=\"" +
           (extraText ? extraText->text : std::string()) + "\"";
}

void TEvent::Emit() { core::RunHooks(StartEvents(), this); }

core::Ref<TEvent> TEvent::Create(int id, core::Object* source, int data, int mods, int x, int y,
                                 core::Object* extra) {
    core::Ref<TEvent> event = core::Make<TEvent>();
    event->id = id;
    event->source = source;
    event->data = data;
    event->mods = mods;
    event->x = x;
    event->y = y;
    event->extra = extra;
    return event;
}

int TEvent::AllocUserId() {
    // Wrapping round would hand out the built-in ids again.
    if (lastUserId == UINT32_MAX) throw core::RuntimeError("Too many user event ids");
    return static_cast<int>(++lastUserId);
}

void TEvent::RegisterId(int id, const std::string& description) {
    StartEvents();
    Descriptions()[id] = description;
}

std::string TEvent::DescriptionForId(int id) {
    StartEvents();
    auto found = Descriptions().find(id);
    return found == Descriptions().end() ? std::string() : found->second;
}

void EmitEvent(int id, core::Object* source, int data, int mods, int x, int y,
               core::Object* extra) {
    TEvent::Create(id, source, data, mods, x, y, extra)->Emit();
}

} // namespace gui
