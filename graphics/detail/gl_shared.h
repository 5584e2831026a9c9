#pragma once
// Internal: what the OpenGL and WebGL back ends share in GL state: how each
// blend mode sets blending, how a texture is filtered and its levels
// uploaded, how textures are deleted, how the viewport clips and how pixels
// are read back. Both GL flavours name these the same, so one table and one
// routine serve both, and a picture blends, filters, clips and reads alike
// on each.

#include <algorithm>
#include <cstdint>
#include <vector>

#ifdef __EMSCRIPTEN__
#include <GLES2/gl2.h>
#else
#include <GL/gl.h>
#endif

#include "graphics/graphics.h"
#include "graphics/image.h"
#include "graphics/pixmap.h"

namespace draw2d {

struct BlendState {
    bool blend;
    GLenum src, dst;
    bool alphaTest;
};

// What blend mode `mode` does; a mode outside BLEND_MASK ... BLEND_MULTIPLY
// draws as a plain copy.
inline const BlendState& BlendStateOf(int mode) {
    static constexpr BlendState kTable[] = {
        {false, GL_ONE, GL_ZERO, false},                     // other
        {false, GL_ONE, GL_ZERO, true},                      // BLEND_MASK
        {false, GL_ONE, GL_ZERO, false},                     // BLEND_SOLID
        {true, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, false}, // BLEND_ALPHA
        {true, GL_SRC_ALPHA, GL_ONE, false},                 // BLEND_ADD
        {true, GL_DST_COLOR, GL_ZERO, false},                // BLEND_MULTIPLY
    };
    return kTable[mode >= BLEND_MASK && mode <= BLEND_MULTIPLY ? mode : 0];
}

// Blending is the same GL calls on both; the alpha test stays each back end's own.
inline void ApplyBlend(const BlendState& s) {
    if (s.blend) {
        glEnable(GL_BLEND);
        glBlendFunc(s.src, s.dst);
    } else {
        glDisable(GL_BLEND);
    }
}

// Textures released while another context was current are deleted once theirs is again.
inline void DeleteDoomedTextures(std::vector<GLuint>& doomed) {
    if (doomed.empty()) return;
    glDeleteTextures(GLsizei(doomed.size()), doomed.data());
    doomed.clear();
}

// A texture is deleted in its own context only: now, after forget(), or later from doomedTextures.
template <class Context, class Forget>
void ReleaseTextureOf(Context* context, const Context* current, GLuint name, Forget forget) {
    if (!context || !name) return;
    if (context != current) {
        context->doomedTextures.push_back(name);
        return;
    }
    forget();
    glDeleteTextures(1, &name);
}

// Sets the bound texture's wrapping and filters as `flags` ask
// (IMAGE_FILTERED, IMAGE_MIPMAPPED) and uploads `level` as level 0, then,
// when mipmapped, each half-size level down to 1 x 1 through
// upload(n, pixmap).
template <class Upload> void SetUpTexture(int flags, core::Ref<TPixmap> level, Upload upload) {
    const bool filtered = flags & IMAGE_FILTERED, mipmapped = flags & IMAGE_MIPMAPPED;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filtered ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    filtered ? (mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR)
                             : (mipmapped ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST));
    upload(0, level.Get());
    if (!mipmapped) return;
    for (int n = 1; level->width > 1 || level->height > 1; ++n) {
        level = ResizePixmap(level, std::max(1, level->width / 2), std::max(1, level->height / 2));
        upload(n, level.Get());
    }
}

// Clips drawing to the viewport (x, y, width, height) in pixels, y down, on
// a surface surfaceWidth x surfaceHeight; the whole surface needs no clip,
// so the scissor test goes off. GL counts scissor rows from the bottom; a
// negative size clips everything.
inline void ClipToViewport(int x, int y, int width, int height, int surfaceWidth,
                           int surfaceHeight) {
    if (x == 0 && y == 0 && width == surfaceWidth && height == surfaceHeight) {
        glDisable(GL_SCISSOR_TEST);
        return;
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(x, surfaceHeight - y - height, std::max(width, 0), std::max(height, 0));
}

// GL's rows run bottom-up: read p's size at (x, y), y down, into RGBA p, then turn the rows over.
inline void ReadPixelsTopDown(TPixmap& p, int x, int y, int surfaceHeight) {
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, surfaceHeight - y - p.height, p.width, p.height, GL_RGBA, GL_UNSIGNED_BYTE,
                 p.pixels);
    std::vector<std::uint8_t> row(std::size_t(p.pitch));
    for (int top = 0, bottom = p.height - 1; top < bottom; ++top, --bottom) {
        std::copy_n(p.PixelPtr(0, top), p.pitch, row.data());
        std::copy_n(p.PixelPtr(0, bottom), p.pitch, p.PixelPtr(0, top));
        std::copy_n(row.data(), p.pitch, p.PixelPtr(0, bottom));
    }
}

} // namespace draw2d
