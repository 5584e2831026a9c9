#pragma once
// A drawing surface with a real OpenGL context and no window: a GLX pbuffer
// on the X display named by DISPLAY (Xvfb in tests). Tests read its pixels
// back; tools draw pictures with it.

#include "core/object.h"
#include "graphics/surface.h"

namespace draw2d {

/// Null when no display or no context can be had.
core::Ref<TSurface> CreateOffscreenSurface(int width, int height);

} // namespace draw2d
