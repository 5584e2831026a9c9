#pragma once
// A small anti-aliased software painter on an RGBA pixmap (straight alpha).
// Shapes come as signed distance fields (shapes.h), paints as callables
// giving a colour at a point (gradient.h); a pixel is sampled at its centre.

#include <cstdint>

#include "core/object.h"
#include "graphics/pixmap.h"
#include "tools/media/color.h"
#include "tools/media/gradient.h"
#include "tools/media/shapes.h"

namespace media {

enum class Blend {
    Over, // the usual "source over destination"
    Atop, // like Over, but only where the destination is, keeping its alpha
    Add,  // adds light: colours sum, alpha as for Over
};

// Anti-aliased coverage of a pixel whose centre is `distance` from an
// outline; `feather` is the width of the soft edge in pixels.
inline float Coverage(float distance, float feather) { return Clamp01(0.5f - distance / feather); }

class Painter {
  public:
    // Throws unless the pixmap is PIXEL_RGBA.
    explicit Painter(draw2d::TPixmap* target);

    int Width() const { return target_->width; }
    int Height() const { return target_->height; }

    void Clear(const Color& c = {});
    Color Get(int x, int y) const;
    void Set(int x, int y, const Color& c);
    // Composites a colour into a pixel with a coverage in 0...1.
    void Put(int x, int y, const Color& c, float coverage, Blend blend = Blend::Over);

    template <class Shape, class Paint>
    void Fill(const Shape& shape, const Paint& paint, Blend blend = Blend::Over,
              float feather = 1.0f) {
        const Box box = shape.Bounds().Grow(feather);
        int x0, y0, x1, y1;
        ClipBox(box, x0, y0, x1, y1);
        for (int y = y0; y < y1; ++y) {
            const float py = y + 0.5f;
            for (int x = x0; x < x1; ++x) {
                const float px = x + 0.5f;
                const float cov = Coverage(shape.Distance(px, py), feather);
                if (cov > 0) Put(x, y, paint(px, py), cov, blend);
            }
        }
    }

    template <class Shape, class Paint>
    void Stroke(const Shape& shape, float width, const Paint& paint, Blend blend = Blend::Over,
                float feather = 1.0f) {
        Fill(Outline<Shape>{shape, width}, paint, blend, feather);
    }

    // Gives fully transparent pixels the colour of their nearest visible
    // neighbours, so that filtered and mipmapped drawing shows no dark fringe.
    void BleedEdges();

  private:
    void ClipBox(const Box& box, int& x0, int& y0, int& x1, int& y1) const;

    draw2d::TPixmap* target_;
};

// A new transparent RGBA pixmap of the given size; throws for a size below 1.
core::Ref<draw2d::TPixmap> NewCanvas(int width, int height);

} // namespace media
