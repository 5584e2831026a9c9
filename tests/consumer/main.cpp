// Uses the installed libraries the way another project would.
#include "core/core.h"
#include "graphics/draw2d.h"
#include "gui/gui.h"
#include "physics/tangle.h"

using namespace kel::tangle;

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
    // Two masses on a constraint fall together, through the procedural forms.
    WorldCreate(100, 100, 0.5f, 0, 1);
    core::Ref<TAdvBody> body = AdvBodyCreate();
    AdvBodyMassAdd(body, 40, 10, 1, 2, 0.5f, -1);
    AdvBodyMassAdd(body, 60, 10, 1, 2, 0.5f, -1);
    AdvBodyConAdd(body, 0, 1, 0, 1);
    AdvBodyActivate(body);
    WorldUpdate();
    const bool fell = AdvBodyMassGetY(body, 0) > 10 && ConGetLength(body->ConGet(0)) > 19.9f;
    return list->Count() == 1 && drew && queued && fell ? 0 : 1;
}
