#pragma once
// Reading pixmaps through the chain of loaders, and writing them as PNG.

#include <cstdint>
#include <string>

#include "core/object.h"
#include "graphics/pixmap.h"
#include "graphics/pixmap_source.h"

namespace core {
class TStream;
}

namespace draw2d {

/// The most pixels a loaded picture may have: 4096 x 4096, at most 64 MB as
/// RGBA. Larger pictures are refused from their header, before their pixels
/// are allocated, so that a few bytes of header cannot ask for gigabytes.
inline constexpr std::int64_t MAX_LOADED_PIXELS = std::int64_t(1) << 24;
/// The longest side of a loaded picture, in pixels.
inline constexpr int MAX_LOADED_SIDE = 16384;

/// A loader puts itself at the front of the chain when made, so the newest
/// is tried first. It reads from the stream's current position.
class TPixmapLoader : public core::Object {
  public:
    TPixmapLoader();
    /// A pixmap from the stream's current position, or null when the bytes are not of this loader's
    /// format.
    virtual core::Ref<TPixmap> LoadPixmap(core::TStream* stream) = 0;

    /// The next loader of the chain.
    core::Ref<TPixmapLoader> _succ;
    /// Takes the loader out of the chain (which holds it until then).
    void Unregister();
    /// The first loader of the chain.
    static TPixmapLoader* First();
};

/// The PNG reader; one is in the chain from the start.
class TPixmapLoaderPNG final : public TPixmapLoader {
  public:
    /// A pixmap from a PNG datastream; null for anything else or a damaged one.
    core::Ref<TPixmap> LoadPixmap(core::TStream* stream) override;
};

/// Null for a missing or unreadable source, a stream without a position, or
/// data no loader reads. An open stream is read in place and left open just
/// after the data that was read.
core::Ref<TPixmap> LoadPixmap(const PixmapSource& source);

/// Writes PNG at compression level 0...9 (clamped); 1 on success, 0 when the
/// destination cannot be opened or written. An open stream is left open.
int SavePixmapPNG(TPixmap* pixmap, const std::string& path, int level = 5);
int SavePixmapPNG(TPixmap* pixmap, core::TStream* stream, int level = 5);

} // namespace draw2d
