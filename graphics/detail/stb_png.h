#pragma once
// Internal: PNG through Debian's stb headers, the web build's reader and
// writer (graphics/web_png.cpp puts them behind the loader chain). Built on
// the desktop too, by the test that holds them to libpng's results.

#include "core/object.h"
#include "graphics/pixmap.h"

namespace core {
class TStream;
}

namespace draw2d::stb_png {

// A pixmap from the PNG datastream at the stream's position, in the formats
// the libpng reader gives, or null for anything else, a damaged or cut one,
// or one larger than MAX_LOADED_PIXELS / MAX_LOADED_SIDE. Reads exactly the
// datastream, through IEND, and leaves the stream just after it.
core::Ref<TPixmap> Read(core::TStream* stream);

// Writes the pixmap as PNG at compression level 0...9; 1 on success, 0 when
// stb cannot encode it. Stream errors propagate.
int Write(TPixmap* pixmap, core::TStream* stream, int level);

} // namespace draw2d::stb_png
