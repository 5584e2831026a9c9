#include "graphics/pixmap_loader.h"

#include "core/stream_open.h"

namespace draw2d {
namespace {

struct LoaderChain {
    core::Ref<TPixmapLoader> first;
    bool started = false;
};

LoaderChain& Chain() {
    static LoaderChain chain;
    return chain;
}

// The PNG loader goes in before any other, so loaders made by the program
// are tried before it.
void StartLoaders() {
    LoaderChain& chain = Chain();
    if (chain.started) return;
    chain.started = true;
    core::Make<TPixmapLoaderPNG>();
}

// Closes the stream on every way out. A TStreamStream only lets go of the
// stream underneath, which stays open where the loader stopped.
struct CloseOnExit {
    core::TStream* stream;
    ~CloseOnExit() {
        try {
            stream->Close();
        } catch (const core::TStreamException&) {
            // A read-only stream has nothing to lose on close.
        }
    }
};

} // namespace

TPixmapLoader::TPixmapLoader() {
    StartLoaders();
    LoaderChain& chain = Chain();
    _succ = chain.first;
    chain.first = this;
}

void TPixmapLoader::Unregister() {
    core::Ref<TPixmapLoader> self = this; // the chain may hold the last reference
    for (core::Ref<TPixmapLoader>* at = &Chain().first; *at; at = &(*at)->_succ) {
        if (at->Get() == this) {
            *at = core::Ref<TPixmapLoader>(_succ);
            _succ = nullptr;
            return;
        }
    }
}

TPixmapLoader* TPixmapLoader::First() {
    StartLoaders();
    return Chain().first;
}

core::Ref<TPixmap> LoadPixmap(const PixmapSource& source) {
    if (source.pixmap) return source.pixmap;
    core::Ref<core::TStream> stream;
    if (source.stream)
        stream = core::StreamOpenRead(source.stream);
    else if (!source.path.empty())
        stream = core::StreamOpenRead(source.path);
    if (!stream) return nullptr;
    CloseOnExit closer{stream};
    const std::int64_t start = stream->Pos();
    if (start == -1) return nullptr;
    for (core::Ref<TPixmapLoader> loader = TPixmapLoader::First(); loader; loader = loader->_succ) {
        try {
            stream->Seek(start);
            if (core::Ref<TPixmap> pixmap = loader->LoadPixmap(stream)) return pixmap;
        } catch (const core::TStreamException&) {
            // This loader could not read the stream; the next may.
        }
    }
    return nullptr;
}

} // namespace draw2d
