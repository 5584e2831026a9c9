// PNG for the web build: there is no libpng for WebAssembly on the machine,
// and the browser's own decoders answer only asynchronously and through a
// premultiplied canvas, which would change the colours of translucent
// pixels. Debian's stb headers decode (graphics/stb_png.cpp); this file
// makes them the codec that graphics/png_stream.cpp opens and closes the
// streams around.
#include "core/stream_error.h"
#include "graphics/detail/png_codec.h"
#include "graphics/detail/stb_png.h"

namespace draw2d::png_codec {

core::Ref<TPixmap> Decode(core::TStream* stream) { return stb_png::Read(stream); }

// stb's writer lets stream errors through; the codec answers them with 0.
int Encode(TPixmap* pixmap, core::TStream* stream, int level) {
    try {
        return stb_png::Write(pixmap, stream, level);
    } catch (const core::TStreamException&) {
        return 0;
    }
}

} // namespace draw2d::png_codec
