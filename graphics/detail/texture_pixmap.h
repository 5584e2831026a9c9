#pragma once
// Internal: what the OpenGL and WebGL back ends share in making textures of
// pixmaps, so that a picture is laid out in a texture the same way by both.

#include "core/object.h"
#include "graphics/pixmap.h"

namespace draw2d {

// The least power of two at or above v (v <= 2^30).
int CeilPow2(int v);

// The image in RGBA at the texture's size tw x th (at least the image's);
// when the texture is larger, its last column and row are repeated once so
// filtering at the edges reads no foreign texels.
core::Ref<TPixmap> TexturePixmap(TPixmap* image, int tw, int th);

} // namespace draw2d
