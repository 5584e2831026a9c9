#pragma once
// A native surface that the drawing surface can draw on: the game canvas's
// OpenGL window, an offscreen OpenGL context, or a surface without any GL
// that only the recording back end draws on.

#include "core/object.h"

namespace draw2d {

class TDraw2DDriver;

/// Surface flag: Flip(-1) paces frames by sleeping to the refresh rate instead
/// of waiting for vertical retrace.
constexpr int GRAPHICS_SOFTSYNC = 0x100;

/// A native surface the drawing surface can draw on (see the file's notes).
class TSurface : public core::Object {
  public:
    /// Width in pixels.
    virtual int Width() const = 0;
    /// Height in pixels.
    virtual int Height() const = 0;
    /// Refresh rate in Hz, 0 when unknown.
    virtual int Hertz() const { return 0; }
    /// Makes the surface's OpenGL context current; false when it cannot.
    virtual bool MakeCurrent() = 0;
    /// Presents what was drawn.
    virtual void SwapBuffers() = 0;
    /// 1 waits for vertical retrace on swap, 0 does not; false when unsupported.
    virtual bool SetSwapInterval(int interval) {
        (void)interval;
        return false;
    }
    /// GRAPHICS_* flags of the surface.
    virtual int Flags() const { return 0; }
    /// Changes whenever the surface has had to make a new native context, so
    /// that everything made in the old one (textures) is made again.
    virtual unsigned ContextGeneration() const { return 0; }
    /// The back end that draws on this kind of surface when no other is asked
    /// for (an OpenGL surface: the OpenGL back end), or null when it has none.
    virtual core::Ref<TDraw2DDriver> NativeDriver();
};

} // namespace draw2d
