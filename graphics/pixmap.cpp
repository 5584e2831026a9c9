#include "graphics/pixmap.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "core/error.h"

namespace draw2d {

TPixmap::~TPixmap() {
    if (capacity >= 0) std::free(pixels);
}

core::Ref<TPixmap> TPixmap::Create(int width, int height, int format, int align) {
    if (!IsPixelFormat(format)) throw core::RuntimeError("Invalid pixel format");
    if (width < 0 || height < 0 || align < 1) throw core::RuntimeError("Invalid pixmap size");
    const std::int64_t pitch =
        (std::int64_t(width) * draw2d::BytesPerPixel(format) + align - 1) / align * align;
    const std::int64_t bytes = pitch * height;
    if (pitch > std::numeric_limits<int>::max() || bytes > std::numeric_limits<int>::max())
        throw core::RuntimeError("Invalid pixmap size");
    core::Ref<TPixmap> p = core::Make<TPixmap>();
    // One byte at least, so an empty pixmap still has a valid pointer.
    p->pixels = static_cast<std::uint8_t*>(std::malloc(bytes ? std::size_t(bytes) : 1));
    if (!p->pixels) throw std::bad_alloc();
    p->width = width;
    p->height = height;
    p->pitch = int(pitch);
    p->format = format;
    p->capacity = int(bytes);
    return p;
}

core::Ref<TPixmap> TPixmap::CreateStatic(void* pixels, int width, int height, int pitch,
                                         int format) {
    if (!IsPixelFormat(format)) throw core::RuntimeError("Invalid pixel format");
    if (width < 0 || height < 0) throw core::RuntimeError("Invalid pixmap size");
    core::Ref<TPixmap> p = core::Make<TPixmap>();
    p->pixels = static_cast<std::uint8_t*>(pixels);
    p->width = width;
    p->height = height;
    p->pitch = pitch;
    p->format = format;
    p->capacity = -1;
    return p;
}

core::Ref<TPixmap> TPixmap::Window(int x, int y, int w, int h) {
    if (x < 0 || y < 0 || w < 0 || h < 0 || x > width - w || y > height - h)
        throw core::RuntimeError("Pixmap window out of range");
    core::Ref<TPixmap> p = CreateStatic(PixelPtr(x, y), w, h, pitch, format);
    p->_source = this;
    return p;
}

core::Ref<TPixmap> TPixmap::Copy() const {
    core::Ref<TPixmap> p = Create(width, height, format, 4);
    const std::size_t rowBytes = std::size_t(width) * BytesPerPixel();
    for (int y = 0; y < height; ++y) std::memcpy(p->PixelPtr(0, y), PixelPtr(0, y), rowBytes);
    return p;
}

void TPixmap::Paste(const TPixmap* source, int x, int y) {
    if (!source) return;
    if (x < 0 || y < 0 || x > width - source->width || y > height - source->height)
        throw core::RuntimeError("Pixmap paste out of range");
    for (int row = 0; row < source->height; ++row)
        ConvertPixels(source->PixelPtr(0, row), source->format, PixelPtr(x, y + row), format,
                      source->width);
}

core::Ref<TPixmap> TPixmap::Convert(int toFormat) const {
    core::Ref<TPixmap> p = Create(width, height, toFormat, 4);
    p->Paste(this, 0, 0);
    return p;
}

void TPixmap::CheckInside(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        throw core::RuntimeError("Pixel position out of range");
}

std::uint32_t TPixmap::ReadPixel(int x, int y) const {
    CheckInside(x, y);
    return PixelToARGB(PixelPtr(x, y), format);
}

void TPixmap::WritePixel(int x, int y, std::uint32_t argb) {
    CheckInside(x, y);
    ARGBToPixel(argb, PixelPtr(x, y), format);
}

void TPixmap::ClearPixels(std::uint32_t argb) {
    if (width == 0 || height == 0) return;
    const int bpp = BytesPerPixel();
    const std::size_t rowBytes = std::size_t(width) * bpp;
    if (argb == 0) {
        for (int y = 0; y < height; ++y) std::memset(PixelPtr(0, y), 0, rowBytes);
        return;
    }
    // Fill the first row pixel by pixel, then copy it to the others.
    std::uint8_t* first = PixelPtr(0, 0);
    ARGBToPixel(argb, first, format);
    for (int x = 1; x < width; ++x) std::memcpy(first + x * bpp, first, bpp);
    for (int y = 1; y < height; ++y) std::memcpy(PixelPtr(0, y), first, rowBytes);
}

core::Ref<TPixmap> CreatePixmap(int width, int height, int format, int align) {
    return TPixmap::Create(width, height, format, align);
}

} // namespace draw2d
