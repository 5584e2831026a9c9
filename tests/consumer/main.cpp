// Uses the installed libraries the way another project would.
#include "core/core.h"
#include "graphics/draw2d.h"
#include "gui/gui.h"

int main() {
    core::Ref<core::TList> list = core::CreateList();
    list->AddLast(core::MakeString("installed"));
    // A drawing surface without a display: the recording back end.
    auto graphics = draw2d::AttachGraphics(draw2d::CreateRecordingSurface(64, 32),
                                           core::Make<draw2d::TRecordingDriver>());
    draw2d::SetGraphics(graphics);
    const bool drew = draw2d::GraphicsWidth() == 64;
    draw2d::SetGraphics(nullptr);
    gui::TEvent::Create(gui::MouseDown, nullptr, 1, 0, 10, 20)->Emit();
    const bool queued = gui::PollEvent() == gui::MouseDown;
    return list->Count() == 1 && drew && queued ? 0 : 1;
}
