// PNG for the web build: there is no libpng for WebAssembly on the machine,
// and the browser's own decoders answer only asynchronously and through a
// premultiplied canvas, which would change the colours of translucent
// pixels. Debian's stb headers decode (graphics/stb_png.cpp); this file
// gives them the loader chain's and SavePixmapPNG's contract: the stream is
// closed on every way out, and a failed write or close gives 0.
#include "core/stream_open.h"
#include "graphics/detail/stb_png.h"
#include "graphics/pixmap_loader.h"

namespace draw2d {
namespace {

// Closes on every way out; a close that fails marks the result as failed.
struct Closer {
    core::TStream* stream;
    bool* failed;
    ~Closer() {
        try {
            stream->Close();
        } catch (const core::TStreamException&) {
            if (failed) *failed = true;
        }
    }
};

int Save(TPixmap* pixmap, core::Ref<core::TStream> stream, int level) {
    if (!stream) return 0;
    bool closeFailed = false;
    int result = 0;
    {
        Closer closer{stream, &closeFailed};
        try {
            result = stb_png::Write(pixmap, stream, level);
        } catch (const core::TStreamException&) {
            result = 0;
        }
    }
    return closeFailed ? 0 : result;
}

} // namespace

core::Ref<TPixmap> TPixmapLoaderPNG::LoadPixmap(core::TStream* source) {
    core::Ref<core::TStream> stream = core::StreamOpenRead(source);
    if (!stream) return nullptr;
    Closer closer{stream, nullptr};
    return stb_png::Read(stream);
}

int SavePixmapPNG(TPixmap* pixmap, const std::string& path, int level) {
    if (!pixmap || path.empty()) return 0;
    return Save(pixmap, core::StreamOpenWrite(path), level);
}

int SavePixmapPNG(TPixmap* pixmap, core::TStream* stream, int level) {
    if (!pixmap || !stream) return 0;
    return Save(pixmap, core::StreamOpenWrite(stream), level);
}

} // namespace draw2d
