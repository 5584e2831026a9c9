#pragma once
// The WebGL back end of the drawing surface (web build only): WebGL 1 with
// one small shader, shapes gathered into batches of triangles, lines or
// points and drawn when the state changes. It draws what the OpenGL 1.x back
// end draws, pixel for pixel where the two rasterise alike: the same pixel
// coordinates with y down, blend modes, alpha test of masked images,
// textures laid out and mipmapped the same way. A browser canvas is drawn
// by this back end unless another is asked for.

#include "graphics/draw2d.h"

namespace draw2d {

/// The WebGL back end, one for the whole program.
TDraw2DDriver* WebGLDraw2DDriver();

/// What the WebGL back end has drawn since start-up.
struct WebGLDrawCounts {
    /// Draw calls: batches of triangles, lines or points sent to WebGL.
    unsigned long long batches = 0;
    /// Vertices in those batches.
    unsigned long long vertices = 0;
};
/// The counts so far; the difference of two readings is what lay between.
WebGLDrawCounts WebGLCounts();

} // namespace draw2d
