#include "gui/canvas_graphics.h"

#include "graphics/draw2d.h"

namespace gui {

draw2d::TGraphics* AttachCanvasGraphics(draw2d::TSurface* surface, CanvasBackEnd backEnd,
                                        core::Ref<core::Object>& keeper) {
    core::Ref<draw2d::TGraphics> graphics =
        backEnd == CanvasBackEnd::Recording
            ? draw2d::AttachGraphics(surface, core::Make<draw2d::TRecordingDriver>())
            : draw2d::AttachGraphics(surface);
    keeper = graphics.Get();
    return graphics;
}

} // namespace gui
