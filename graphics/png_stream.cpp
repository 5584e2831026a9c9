// The PNG entry points of the loader chain and SavePixmapPNG, whichever codec
// is built (graphics/detail/png_codec.h): the caller's source is opened as a
// stream of our own, closed on every way out, and a write whose close fails
// gives 0.
#include "core/stream_open.h"
#include "graphics/detail/png_codec.h"
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
        result = png_codec::Encode(pixmap, stream, level);
    }
    return closeFailed ? 0 : result;
}

} // namespace

core::Ref<TPixmap> TPixmapLoaderPNG::LoadPixmap(core::TStream* source) {
    core::Ref<core::TStream> stream = core::StreamOpenRead(source);
    if (!stream) return nullptr;
    Closer closer{stream, nullptr};
    return png_codec::Decode(stream);
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
