#include "tools/media/paint.h"

#include <cmath>
#include <vector>

#include "core/error.h"

namespace media {
namespace {

std::uint8_t ToByte(float v) { return std::uint8_t(std::lround(Clamp01(v) * 255.0f)); }

} // namespace

Painter::Painter(draw2d::TPixmap* target) : target_(target) {
    if (!target || target->format != draw2d::PIXEL_RGBA)
        throw core::RuntimeError("Painter needs an RGBA pixmap");
}

core::Ref<draw2d::TPixmap> NewCanvas(int width, int height) {
    if (width < 1 || height < 1) throw core::RuntimeError("Invalid picture size");
    core::Ref<draw2d::TPixmap> p = draw2d::CreatePixmap(width, height, draw2d::PIXEL_RGBA, 4);
    p->ClearPixels(0);
    return p;
}

void Painter::Clear(const Color& c) {
    for (int y = 0; y < Height(); ++y)
        for (int x = 0; x < Width(); ++x) Set(x, y, c);
}

Color Painter::Get(int x, int y) const {
    const std::uint8_t* p = target_->PixelPtr(x, y);
    return {p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, p[3] / 255.0f};
}

void Painter::Set(int x, int y, const Color& c) {
    std::uint8_t* p = target_->PixelPtr(x, y);
    p[0] = ToByte(c.r);
    p[1] = ToByte(c.g);
    p[2] = ToByte(c.b);
    p[3] = ToByte(c.a);
}

void Painter::Put(int x, int y, const Color& c, float coverage, Blend blend) {
    const Color d = Get(x, y);
    const float sa = Clamp01(c.a) * Clamp01(coverage);
    if (sa <= 0) return;
    const float keep = d.a * (1 - sa);
    Color out;
    switch (blend) {
    case Blend::Over:
    case Blend::Atop:
        out.a = blend == Blend::Over ? sa + keep : d.a;
        if (blend == Blend::Atop) {
            // Within the destination's own alpha the source simply covers sa of it.
            out.r = Lerp(d.r, c.r, sa);
            out.g = Lerp(d.g, c.g, sa);
            out.b = Lerp(d.b, c.b, sa);
        } else {
            out.r = (c.r * sa + d.r * keep) / out.a;
            out.g = (c.g * sa + d.g * keep) / out.a;
            out.b = (c.b * sa + d.b * keep) / out.a;
        }
        break;
    case Blend::Add:
        out.a = sa + keep;
        out.r = (c.r * sa + d.r * d.a) / out.a;
        out.g = (c.g * sa + d.g * d.a) / out.a;
        out.b = (c.b * sa + d.b * d.a) / out.a;
        break;
    }
    Set(x, y, out);
}

void Painter::ClipBox(const Box& box, int& x0, int& y0, int& x1, int& y1) const {
    x0 = std::max(0, int(std::floor(box.x0)));
    y0 = std::max(0, int(std::floor(box.y0)));
    x1 = std::min(Width(), int(std::ceil(box.x1)) + 1);
    y1 = std::min(Height(), int(std::ceil(box.y1)) + 1);
}

void Painter::BleedEdges() {
    const int w = Width(), h = Height();
    // Which pixels have a colour worth spreading; grows ring by ring.
    std::vector<char> known(std::size_t(w) * h);
    bool any = false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) any |= (known[std::size_t(y) * w + x] = Get(x, y).a > 0);
    if (!any) return;
    std::vector<std::size_t> ring;
    for (bool grew = true; grew;) {
        grew = false;
        ring.clear();
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (known[std::size_t(y) * w + x]) continue;
                float r = 0, g = 0, b = 0;
                int n = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                        if (!known[std::size_t(ny) * w + nx]) continue;
                        const Color c = Get(nx, ny);
                        r += c.r;
                        g += c.g;
                        b += c.b;
                        ++n;
                    }
                }
                if (!n) continue;
                Set(x, y, {r / n, g / n, b / n, 0});
                ring.push_back(std::size_t(y) * w + x);
            }
        }
        // Marked after the pass, so each ring is computed from the one before.
        for (std::size_t i : ring) known[i] = 1;
        grew = !ring.empty();
    }
}

} // namespace media
