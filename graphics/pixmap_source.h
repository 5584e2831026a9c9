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

class PixmapSource {
  public:
    PixmapSource(std::string path) : path(std::move(path)) {}
    PixmapSource(const char* path) : path(path ? path : "") {}
    PixmapSource(core::TStream* stream) : stream(stream) {}
    PixmapSource(TPixmap* pixmap) : pixmap(pixmap) {}
    template <class T> PixmapSource(const core::Ref<T>& ref) : PixmapSource(ref.Get()) {}

    std::string path;
    core::TStream* stream = nullptr;
    TPixmap* pixmap = nullptr;
};

} // namespace draw2d
