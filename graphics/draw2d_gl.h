#pragma once
// The OpenGL back end of the drawing surface (OpenGL 1.x, immediate mode) and
// offscreen OpenGL surfaces. An OpenGL surface (a GUI canvas, an offscreen
// surface) is drawn by this back end unless another is asked for.

#include "graphics/draw2d.h"
#include "graphics/offscreen_surface.h"

namespace draw2d {

/// The OpenGL back end, one for the whole program.
TDraw2DDriver* GLDraw2DDriver();

} // namespace draw2d
