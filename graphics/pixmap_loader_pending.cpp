#include "graphics/pixmap_loader.h"
namespace draw2d {
core::Ref<TPixmap> LoadPixmap(const PixmapSource& source) { return source.pixmap; }
} // namespace draw2d
