#include "graphics/pixel_format.h"

#include <array>
#include <cstring>

namespace draw2d {
namespace {

using Row = void (*)(const std::uint8_t* src, std::uint8_t* dst, int count);

struct FormatInfo {
    int bytes;
    bool alpha;
    Row toRGBA;
    Row fromRGBA;
};

void I8ToRGBA(const std::uint8_t* s, std::uint8_t* d, int n) {
    for (int i = 0; i < n; ++i, d += 4) d[0] = d[1] = d[2] = s[i], d[3] = 255;
}
void RGBAToI8(const std::uint8_t* s, std::uint8_t* d, int n) {
    for (int i = 0; i < n; ++i, s += 4) d[i] = std::uint8_t((s[0] + s[1] + s[2]) / 3);
}
void A8ToRGBA(const std::uint8_t* s, std::uint8_t* d, int n) {
    for (int i = 0; i < n; ++i, d += 4) d[0] = d[1] = d[2] = 255, d[3] = s[i];
}
void RGBAToA8(const std::uint8_t* s, std::uint8_t* d, int n) {
    for (int i = 0; i < n; ++i, s += 4) d[i] = s[3];
}

// Three- and four-byte layouts differ only in channel order and alpha.
template <int R, int G, int B, int Bytes>
void ToRGBA(const std::uint8_t* s, std::uint8_t* d, int n) {
    for (int i = 0; i < n; ++i, s += Bytes, d += 4) {
        d[0] = s[R], d[1] = s[G], d[2] = s[B];
        d[3] = Bytes == 4 ? s[3] : 255;
    }
}
template <int R, int G, int B, int Bytes>
void FromRGBA(const std::uint8_t* s, std::uint8_t* d, int n) {
    for (int i = 0; i < n; ++i, s += 4, d += Bytes) {
        d[R] = s[0], d[G] = s[1], d[B] = s[2];
        if constexpr (Bytes == 4) d[3] = s[3];
    }
}

constexpr std::array<FormatInfo, 7> kFormats = {{
    {0, false, nullptr, nullptr},
    {1, false, I8ToRGBA, RGBAToI8},
    {1, true, A8ToRGBA, RGBAToA8},
    {3, false, ToRGBA<2, 1, 0, 3>, FromRGBA<2, 1, 0, 3>},
    {3, false, ToRGBA<0, 1, 2, 3>, FromRGBA<0, 1, 2, 3>},
    {4, true, ToRGBA<2, 1, 0, 4>, FromRGBA<2, 1, 0, 4>},
    {4, true, ToRGBA<0, 1, 2, 4>, FromRGBA<0, 1, 2, 4>},
}};

} // namespace

bool IsPixelFormat(int format) { return format >= PIXEL_I8 && format <= PIXEL_RGBA; }
int BytesPerPixel(int format) { return IsPixelFormat(format) ? kFormats[format].bytes : 0; }
bool FormatHasAlpha(int format) { return IsPixelFormat(format) && kFormats[format].alpha; }

void ConvertPixels(const std::uint8_t* src, int srcFormat, std::uint8_t* dst, int dstFormat,
                   int count) {
    if (srcFormat == dstFormat) {
        std::memcpy(dst, src, std::size_t(count) * kFormats[srcFormat].bytes);
    } else if (srcFormat == PIXEL_RGBA) {
        kFormats[dstFormat].fromRGBA(src, dst, count);
    } else if (dstFormat == PIXEL_RGBA) {
        kFormats[srcFormat].toRGBA(src, dst, count);
    } else {
        // Through RGBA in chunks on the stack: conversions allocate nothing.
        constexpr int kChunk = 256;
        std::uint8_t rgba[kChunk * 4];
        const int sb = kFormats[srcFormat].bytes, db = kFormats[dstFormat].bytes;
        for (int done = 0; done < count; done += kChunk) {
            const int n = count - done < kChunk ? count - done : kChunk;
            kFormats[srcFormat].toRGBA(src + done * sb, rgba, n);
            kFormats[dstFormat].fromRGBA(rgba, dst + done * db, n);
        }
    }
}

std::uint32_t PixelToARGB(const std::uint8_t* pixel, int format) {
    std::uint8_t c[4];
    ConvertPixels(pixel, format, c, PIXEL_RGBA, 1);
    return std::uint32_t(c[3]) << 24 | std::uint32_t(c[0]) << 16 | std::uint32_t(c[1]) << 8 | c[2];
}

void ARGBToPixel(std::uint32_t argb, std::uint8_t* pixel, int format) {
    const std::uint8_t c[4] = {std::uint8_t(argb >> 16), std::uint8_t(argb >> 8),
                               std::uint8_t(argb), std::uint8_t(argb >> 24)};
    ConvertPixels(c, PIXEL_RGBA, pixel, format, 1);
}

} // namespace draw2d
