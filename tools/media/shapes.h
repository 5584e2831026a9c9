#pragma once
// Shapes as signed distance fields in pixel units: negative inside, positive
// outside. Anti-aliased coverage, outlines and bevels all derive from the
// distance, so every shape gets them alike.

#include <algorithm>
#include <cmath>
#include <vector>

namespace media {

struct Box {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    Box Grow(float by) const { return {x0 - by, y0 - by, x1 + by, y1 + by}; }
    Box Join(const Box& o) const {
        return {std::min(x0, o.x0), std::min(y0, o.y0), std::max(x1, o.x1), std::max(y1, o.y1)};
    }
};

struct Circle {
    float cx, cy, r;
    float Distance(float x, float y) const { return std::hypot(x - cx, y - cy) - r; }
    Box Bounds() const { return {cx - r, cy - r, cx + r, cy + r}; }
};

// Close to the true distance near the outline, which is all coverage needs.
struct Ellipse {
    float cx, cy, rx, ry;
    float Distance(float x, float y) const;
    Box Bounds() const { return {cx - rx, cy - ry, cx + rx, cy + ry}; }
};

// A segment with round ends whose radius runs from r0 at a to r1 at b.
struct Capsule {
    float ax, ay, bx, by, r0, r1;
    float Distance(float x, float y) const;
    Box Bounds() const;
};

struct RoundRect {
    float x, y, w, h, radius;
    float Distance(float px, float py) const;
    Box Bounds() const { return {x, y, x + w, y + h}; }
};

// A closed polygon (x, y pairs); inside by the even-odd rule, so concave
// outlines work. Throws for fewer than three vertices or an odd count.
class Polygon {
  public:
    explicit Polygon(std::vector<float> xy);
    float Distance(float x, float y) const;
    Box Bounds() const { return bounds_; }
    const std::vector<float>& Points() const { return xy_; }

  private:
    std::vector<float> xy_;
    Box bounds_;
};

// A union of capsules: pen strokes, such as the letters of a word.
class Strokes {
  public:
    void Add(const Capsule& c);
    // A polyline of round-ended segments of one radius.
    void AddPolyline(const std::vector<float>& xy, float radius);
    float Distance(float x, float y) const;
    Box Bounds() const { return bounds_; }
    bool Empty() const { return parts_.empty(); }

  private:
    std::vector<Capsule> parts_;
    Box bounds_;
};

// Adaptors that build new shapes from a shape.

// The shape grown by `by` pixels (shrunk when negative).
template <class S> struct Grown {
    const S& shape;
    float by;
    float Distance(float x, float y) const { return shape.Distance(x, y) - by; }
    Box Bounds() const { return shape.Bounds().Grow(std::max(by, 0.0f)); }
};

// A band of the given width centred on the shape's outline.
template <class S> struct Outline {
    const S& shape;
    float width;
    float Distance(float x, float y) const {
        return std::fabs(shape.Distance(x, y)) - width * 0.5f;
    }
    Box Bounds() const { return shape.Bounds().Grow(width * 0.5f); }
};

template <class S> struct Moved {
    const S& shape;
    float dx, dy;
    float Distance(float x, float y) const { return shape.Distance(x - dx, y - dy); }
    Box Bounds() const {
        const Box b = shape.Bounds();
        return {b.x0 + dx, b.y0 + dy, b.x1 + dx, b.y1 + dy};
    }
};

// Points of the first shape that are not in the second.
template <class A, class B> struct Cut {
    const A& keep;
    const B& cut;
    float Distance(float x, float y) const {
        return std::max(keep.Distance(x, y), -cut.Distance(x, y));
    }
    Box Bounds() const { return keep.Bounds(); }
};

template <class A, class B> struct Both {
    const A& a;
    const B& b;
    float Distance(float x, float y) const { return std::max(a.Distance(x, y), b.Distance(x, y)); }
    Box Bounds() const { return a.Bounds(); }
};

// Unit vector pointing out of the shape at a point, from the distance's slope.
template <class S> void OutwardNormal(const S& shape, float x, float y, float& nx, float& ny) {
    const float e = 0.5f;
    nx = shape.Distance(x + e, y) - shape.Distance(x - e, y);
    ny = shape.Distance(x, y + e) - shape.Distance(x, y - e);
    const float len = std::hypot(nx, ny);
    if (len > 1e-6f) {
        nx /= len;
        ny /= len;
    } else {
        nx = ny = 0;
    }
}

// Light on a rounded rim of the given width inside the shape: +1 where the
// rim faces the light (lx, ly: direction the light comes from), -1 where it
// faces away, fading to 0 towards the inside.
template <class S>
float RimLight(const S& shape, float x, float y, float width, float lx, float ly) {
    const float d = shape.Distance(x, y);
    if (d > 0 || d < -width) return 0;
    float nx, ny;
    OutwardNormal(shape, x, y, nx, ny);
    const float facing = nx * lx + ny * ly;
    const float t = 1 + d / width; // 1 at the outline, 0 at the rim's inner edge
    return facing * t * t;
}

} // namespace media

namespace media {

template <class A, class B> struct Union {
    const A& a;
    const B& b;
    float Distance(float x, float y) const { return std::min(a.Distance(x, y), b.Distance(x, y)); }
    Box Bounds() const { return a.Bounds().Join(b.Bounds()); }
};

} // namespace media
