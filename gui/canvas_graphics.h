#pragma once
// Internal: the one place where gadgets meet the drawing surface's back ends.

#include "core/object.h"

namespace draw2d {
class TGraphics;
class TSurface;
} // namespace draw2d

namespace gui {

enum class CanvasBackEnd { OpenGL, Recording };

// Attaches a graphics context of the drawing surface to `surface`. `keeper`
// receives the owning reference; the result is the context itself.
draw2d::TGraphics* AttachCanvasGraphics(draw2d::TSurface* surface, CanvasBackEnd backEnd,
                                        core::Ref<core::Object>& keeper);

} // namespace gui
