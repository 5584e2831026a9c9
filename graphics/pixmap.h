#pragma once
// TPixmap: a block of pixels in memory in one of the six pixel formats, and
// the operations that convert, cut, mask and resample them.

#include <cstdint>

#include "core/object.h"
#include "graphics/pixel_format.h"

namespace draw2d {

/// A buffer of pixels in one of the PIXEL_ formats, rows `pitch` bytes apart, owned or borrowed.
class TPixmap : public core::Object {
  public:
    /// The first byte of the top row.
    std::uint8_t* pixels = nullptr;
    ///@{
    /// Size in pixels.
    int width = 0, height = 0;
    ///@}
    /// Bytes from one row to the next.
    int pitch = 0;
    /// One of the PIXEL_ formats.
    int format = 0;
    int capacity = 0;                ///< bytes owned, or -1 when the pixels belong to someone else
    core::Ref<core::Object> _source; ///< a window keeps the pixmap it shows alive

    ~TPixmap() override;

    /// Pitch rounds width x bytes per pixel up to a multiple of align; the
    /// contents are undefined. Throws on a bad size, format or alignment.
    static core::Ref<TPixmap> Create(int width, int height, int format, int align = 4);
    /// A pixmap over memory it does not own.
    static core::Ref<TPixmap> CreateStatic(void* pixels, int width, int height, int pitch,
                                           int format);

    /// The first byte of pixel (x, y); not checked.
    std::uint8_t* PixelPtr(int x, int y) const {
        return pixels + std::ptrdiff_t(y) * pitch +
               std::ptrdiff_t(x) * draw2d::BytesPerPixel(format);
    }
    /// Bytes per pixel of the format.
    int BytesPerPixel() const { return draw2d::BytesPerPixel(format); }

    /// A static pixmap over a rectangle of this one; throws if it does not fit.
    core::Ref<TPixmap> Window(int x, int y, int w, int h);
    /// A new pixmap with its own copy of the pixels, in the same format.
    core::Ref<TPixmap> Copy() const;
    /// Converts every row of source into this format at (x, y + row); throws
    /// if the source does not fit.
    void Paste(const TPixmap* source, int x, int y);
    /// A new pixmap with the pixels converted to another PIXEL_ format.
    core::Ref<TPixmap> Convert(int format) const;

    /// Packed colour (alpha in bits 24-31); throws outside the pixmap.
    virtual std::uint32_t ReadPixel(int x, int y) const;
    /// Packed colour (alpha in bits 24-31); throws outside the pixmap.
    virtual void WritePixel(int x, int y, std::uint32_t argb);
    /// Every pixel set to the colour; 0 zeroes the rows.
    virtual void ClearPixels(std::uint32_t argb);

  private:
    void CheckInside(int x, int y) const;
};

core::Ref<TPixmap> CreatePixmap(int width, int height, int format, int align = 4);

/// A new RGBA pixmap in which pixels of colour (r, g, b) are transparent and
/// take the average colour of their unmasked neighbours.
core::Ref<TPixmap> MaskPixmap(const TPixmap* pixmap, int r, int g, int b);
/// Bilinear resampling, in the source's format.
core::Ref<TPixmap> ResizePixmap(const TPixmap* pixmap, int width, int height);

} // namespace draw2d
