#pragma once
// Internal: the PNG codec under the loader chain and SavePixmapPNG. libpng
// gives it on the desktop (graphics/png.cpp), Debian's stb headers in the
// web build (graphics/web_png.cpp); graphics/png_stream.cpp opens and
// closes the streams around it, once for both.

#include "core/object.h"
#include "graphics/pixmap.h"

namespace core {
class TStream;
}

namespace draw2d::png_codec {

// A pixmap from the PNG datastream at the stream's position, or null for
// anything else or a damaged one. The stream stays open.
core::Ref<TPixmap> Decode(core::TStream* stream);

// Writes the pixmap as PNG at compression level 0...9 (clamped); 1 on
// success, 0 when it cannot be encoded or the stream fails. The stream
// stays open.
int Encode(TPixmap* pixmap, core::TStream* stream, int level);

} // namespace draw2d::png_codec
