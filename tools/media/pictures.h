#pragma once
// The game's pictures, painted from scratch. Every painter is deterministic:
// the same arguments give the same pixels. All return PIXEL_RGBA pixmaps with
// straight alpha on a transparent background and throw for bad sizes.

#include <cstdint>
#include <vector>

#include "core/object.h"
#include "graphics/pixmap.h"

namespace media {

// Ten 50 x 100 flame cells in a row, for additive drawing.
core::Ref<draw2d::TPixmap> PaintFire();

enum class ArrowDirection { Up, Down };
core::Ref<draw2d::TPixmap> PaintArrow(ArrowDirection direction, int size = 32);

// The physics library's logo, about 160 x 100.
core::Ref<draw2d::TPixmap> PaintLogo();
// The game's title picture, about 480 x 200.
core::Ref<draw2d::TPixmap> PaintTitle();

// A gooey blob filling a size x size picture.
core::Ref<draw2d::TPixmap> PaintBlob(int size = 32);
// A strand of goo along y = height / 2 from x = 0 to x = length.
core::Ref<draw2d::TPixmap> PaintGoo(int length = 100, int height = 32);
// The marker shown on the blob that a click would remove.
core::Ref<draw2d::TPixmap> PaintDel(int size = 32);

// A rock filling a polygon (x, y pairs, pixels of the result) in a
// width x height picture. The seed varies the stone's texture; the stone
// darkens towards the picture's foot by footShade (0: evenly lit, for rocks
// whose pictures join end to end).
core::Ref<draw2d::TPixmap> PaintRock(const std::vector<float>& polygon, int width, int height,
                                     std::uint32_t seed = 1, float footShade = 0.18f);
// A standing wooden barrel filling a width x height picture.
core::Ref<draw2d::TPixmap> PaintBarrel(int width, int height);

} // namespace media
