#pragma once
// Pixel formats of a pixmap and the row conversions between them. Every
// conversion goes through RGBA, the one format that holds every channel.

#include <cstdint>

namespace draw2d {

constexpr int PIXEL_I8 = 1;   ///< intensity
constexpr int PIXEL_A8 = 2;   ///< alpha only
constexpr int PIXEL_BGR = 3;  ///< B, G, R
constexpr int PIXEL_RGB = 4;  ///< R, G, B
constexpr int PIXEL_BGRA = 5; ///< B, G, R, A
constexpr int PIXEL_RGBA = 6; ///< R, G, B, A

bool IsPixelFormat(int format);
/// Bytes per pixel; 0 for a value that is no format.
int BytesPerPixel(int format);
bool FormatHasAlpha(int format);

/// Converts `count` pixels from one format into another; the rows must not overlap.
void ConvertPixels(const std::uint8_t* src, int srcFormat, std::uint8_t* dst, int dstFormat,
                   int count);

/// Packed colour: alpha in bits 24-31, red 16-23, green 8-15, blue 0-7.
std::uint32_t PixelToARGB(const std::uint8_t* pixel, int format);
void ARGBToPixel(std::uint32_t argb, std::uint8_t* pixel, int format);

} // namespace draw2d
