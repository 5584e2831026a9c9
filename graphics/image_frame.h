#pragma once
// The back end's drawable form of one image frame (a texture for OpenGL).

#include "core/object.h"

namespace draw2d {

/// The drawable form a back end makes of one image frame (an OpenGL texture, or a record).
class TImageFrame : public core::Object {
  public:
    /// Draws the local box (x0, y0)-(x1, y1) moved by (tx, ty) under the
    /// back end's current transform, colour, alpha and blend.
    virtual void Draw(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
};

} // namespace draw2d
