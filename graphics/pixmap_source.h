#pragma once
// Where a pixmap comes from: a path, an open stream (read in place from its
// position and left open) or a pixmap already in memory.

#include <string>
#include <utility>

#include "core/object.h"

namespace core {
class TStream;
}

namespace draw2d {

class TPixmap;

/// Where pixels come from: a file path, a stream at its current position, or a pixmap. Converts
/// from any of them, so functions take all three.
class PixmapSource {
  public:
    /// From a file path.
    PixmapSource(std::string path) : path(std::move(path)) {}
    /// From a file path (null: no path).
    PixmapSource(const char* path) : path(path ? path : "") {}
    /// From a stream, at its current position.
    PixmapSource(core::TStream* stream) : stream(stream) {}
    /// From a pixmap.
    PixmapSource(TPixmap* pixmap) : pixmap(pixmap) {}
    /// From a Ref of a stream or pixmap.
    template <class T> PixmapSource(const core::Ref<T>& ref) : PixmapSource(ref.Get()) {}

    /// The path, or empty.
    std::string path;
    /// The stream, or null.
    core::TStream* stream = nullptr;
    /// The pixmap, or null.
    TPixmap* pixmap = nullptr;
};

} // namespace draw2d
