// Masking and resampling: done when images are loaded or frames are made,
// never per draw.
#include <cmath>

#include "graphics/pixmap.h"

namespace draw2d {
namespace {

core::Ref<const TPixmap> AsRGBA(const TPixmap* pixmap) {
    if (pixmap->format == PIXEL_RGBA) return core::Ref<const TPixmap>(pixmap);
    return core::Ref<const TPixmap>(pixmap->Convert(PIXEL_RGBA).Get());
}

// Source index pair and weight along one axis of a resampling.
struct Sample {
    int i0, i1;
    float f;
};

Sample SampleAt(int dst, int srcSize, int dstSize) {
    const float s = (float(dst) + 0.5f) * (float(srcSize) / float(dstSize)) - 0.5f;
    int i0 = int(std::floor(s));
    if (i0 < 0) return {0, 0, 0.0f};
    if (i0 >= srcSize - 1) return {srcSize - 1, srcSize - 1, 0.0f};
    return {i0, i0 + 1, s - float(i0)};
}

} // namespace

core::Ref<TPixmap> MaskPixmap(const TPixmap* pixmap, int r, int g, int b) {
    if (!pixmap) return nullptr;
    core::Ref<const TPixmap> src = AsRGBA(pixmap);
    const int w = src->width, h = src->height;
    core::Ref<TPixmap> out = TPixmap::Create(w, h, PIXEL_RGBA, 4);
    auto isMask = [&](const std::uint8_t* p) { return p[0] == r && p[1] == g && p[2] == b; };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = src->PixelPtr(x, y);
            std::uint8_t* q = out->PixelPtr(x, y);
            if (!isMask(p)) {
                q[0] = p[0], q[1] = p[1], q[2] = p[2], q[3] = 255;
                continue;
            }
            // Transparent pixels take their surroundings' colour, so that
            // filtered drawing shows no dark fringe.
            int sum[3] = {0, 0, 0}, n = 0;
            for (int ny = y - 1; ny <= y + 1; ++ny) {
                for (int nx = x - 1; nx <= x + 1; ++nx) {
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                    const std::uint8_t* c = src->PixelPtr(nx, ny);
                    if (isMask(c)) continue;
                    sum[0] += c[0], sum[1] += c[1], sum[2] += c[2], ++n;
                }
            }
            for (int c = 0; c < 3; ++c) q[c] = std::uint8_t(n ? sum[c] / n : 0);
            q[3] = 0;
        }
    }
    return out;
}

core::Ref<TPixmap> ResizePixmap(const TPixmap* pixmap, int width, int height) {
    if (!pixmap) return nullptr;
    core::Ref<const TPixmap> src = AsRGBA(pixmap);
    core::Ref<TPixmap> out = TPixmap::Create(width, height, PIXEL_RGBA, 4);
    if (src->width == 0 || src->height == 0) {
        out->ClearPixels(0); // nothing to sample from
        return pixmap->format == PIXEL_RGBA ? out : out->Convert(pixmap->format);
    }
    for (int i = 0; i < height; ++i) {
        const Sample sy = SampleAt(i, src->height, height);
        const std::uint8_t* row0 = src->PixelPtr(0, sy.i0);
        const std::uint8_t* row1 = src->PixelPtr(0, sy.i1);
        std::uint8_t* q = out->PixelPtr(0, i);
        for (int j = 0; j < width; ++j, q += 4) {
            const Sample sx = SampleAt(j, src->width, width);
            for (int c = 0; c < 4; ++c) {
                const float p00 = row0[sx.i0 * 4 + c], p10 = row0[sx.i1 * 4 + c];
                const float p01 = row1[sx.i0 * 4 + c], p11 = row1[sx.i1 * 4 + c];
                const float top = p00 + (p10 - p00) * sx.f;
                const float bottom = p01 + (p11 - p01) * sx.f;
                q[c] = std::uint8_t(int(top + (bottom - top) * sy.f));
            }
        }
    }
    if (pixmap->format == PIXEL_RGBA) return out;
    return out->Convert(pixmap->format);
}

} // namespace draw2d
