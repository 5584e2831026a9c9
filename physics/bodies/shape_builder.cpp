// BuildShape: a soft body of any outline. The outline is walked corner by
// corner; the inside is a square grid kept half a spacing clear of the
// outline, so that inner masses never start on top of outline ones. Links
// are made only where they stay inside the outline, so that a concave body
// (the arms of a star, the notch of an L) is not tied across its gaps.

#include <algorithm>
#include <cmath>
#include <vector>

#include "physics/builders.h"
#include "physics/files/shape_writer.h"

namespace kel::tangle {

namespace {

struct TPoint {
    double x, y;
};

// The outline as a polygon, with the tests the builder asks of it.
class TOutline {
  public:
    explicit TOutline(const std::vector<float>& xy) {
        for (std::size_t k = 0; k + 1 < xy.size(); k += 2) corners_.push_back({xy[k], xy[k + 1]});
    }
    const std::vector<TPoint>& Corners() const { return corners_; }
    std::size_t Size() const { return corners_.size(); }
    const TPoint& Corner(std::size_t k) const { return corners_[k % corners_.size()]; }

    double TwiceArea() const {
        double sum = 0;
        for (std::size_t k = 0; k < Size(); ++k) {
            const TPoint &a = Corner(k), &b = Corner(k + 1);
            sum += a.x * b.y - b.x * a.y;
        }
        return sum;
    }

    // No two edges that are not neighbours meet, and no edge has no length.
    bool Simple() const {
        const std::size_t n = Size();
        for (std::size_t i = 0; i < n; ++i) {
            const TPoint &a = Corner(i), &b = Corner(i + 1);
            if (a.x == b.x && a.y == b.y) return false;
            for (std::size_t j = i + 1; j < n; ++j) {
                if (j == i + 1 || (i == 0 && j + 1 == n)) continue; // neighbours share a corner
                if (SegmentsMeet(a, b, Corner(j), Corner(j + 1))) return false;
            }
        }
        return true;
    }

    // Even-odd rule.
    bool Inside(const TPoint& p) const {
        bool inside = false;
        for (std::size_t i = 0, j = Size() - 1; i < Size(); j = i++) {
            const TPoint &a = corners_[i], &b = corners_[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
                inside = !inside;
        }
        return inside;
    }

    double DistanceTo(const TPoint& p) const {
        double best = INFINITY;
        for (std::size_t k = 0; k < Size(); ++k) {
            const TPoint &a = Corner(k), &b = Corner(k + 1);
            const double ex = b.x - a.x, ey = b.y - a.y;
            double t = ((p.x - a.x) * ex + (p.y - a.y) * ey) / (ex * ex + ey * ey);
            t = std::clamp(t, 0.0, 1.0);
            best = std::min(best, std::hypot(p.x - (a.x + t * ex), p.y - (a.y + t * ey)));
        }
        return best;
    }

    // Whether the segment a-b stays inside: its middle is inside and it
    // crosses no edge (touching one at an end, as a link from an outline
    // mass does, is not crossing).
    bool Holds(const TPoint& a, const TPoint& b) const {
        if (!Inside({(a.x + b.x) / 2, (a.y + b.y) / 2})) return false;
        for (std::size_t k = 0; k < Size(); ++k) {
            if (SegmentsCross(a, b, Corner(k), Corner(k + 1))) return false;
        }
        return true;
    }

  private:
    static double Turn(const TPoint& a, const TPoint& b, const TPoint& c) {
        return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    }
    static int Sign(double v) { return (v > 0) - (v < 0); }
    // Each segment's ends strictly on either side of the other.
    static bool SegmentsCross(const TPoint& a, const TPoint& b, const TPoint& c, const TPoint& d) {
        return Sign(Turn(a, b, c)) * Sign(Turn(a, b, d)) < 0 &&
               Sign(Turn(c, d, a)) * Sign(Turn(c, d, b)) < 0;
    }
    static bool OnSegment(const TPoint& a, const TPoint& b, const TPoint& p) {
        return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) &&
               std::min(a.y, b.y) <= p.y && p.y <= std::max(a.y, b.y);
    }
    // Crossing or touching, collinear overlaps included.
    static bool SegmentsMeet(const TPoint& a, const TPoint& b, const TPoint& c, const TPoint& d) {
        const int s1 = Sign(Turn(a, b, c)), s2 = Sign(Turn(a, b, d));
        const int s3 = Sign(Turn(c, d, a)), s4 = Sign(Turn(c, d, b));
        if (s1 * s2 < 0 && s3 * s4 < 0) return true;
        return (s1 == 0 && OnSegment(a, b, c)) || (s2 == 0 && OnSegment(a, b, d)) ||
               (s3 == 0 && OnSegment(c, d, a)) || (s4 == 0 && OnSegment(c, d, b));
    }

    std::vector<TPoint> corners_;
};

// The outline's masses: every corner, and evenly spaced points between.
std::vector<TPoint> OutlinePoints(const TOutline& outline, double spacing) {
    std::vector<TPoint> points;
    for (std::size_t k = 0; k < outline.Size(); ++k) {
        const TPoint &a = outline.Corner(k), &b = outline.Corner(k + 1);
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        // A rounding error over a whole number of gaps needs no extra gap.
        const double gaps = std::max(1.0, std::ceil(length / spacing - 1e-6));
        if (points.size() + gaps > static_cast<double>(detail::kMostMasses)) return {};
        for (int g = 0; g < static_cast<int>(gaps); ++g) {
            const double t = g / gaps;
            points.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
        }
    }
    return points;
}

// The inner grid, row by row; -1 where a grid point is left out.
struct TInnerGrid {
    double x0 = 0, y0 = 0;
    int columns = 0, rows = 0;
    std::vector<int> slot; // rows x columns
    int At(int c, int r) const {
        return c >= 0 && c < columns && r >= 0 && r < rows ? slot[r * columns + c] : -1;
    }
    TPoint Place(int c, int r, double spacing) const {
        return {x0 + c * spacing, y0 + r * spacing};
    }
};

} // namespace

core::Ref<TAdvBody> BuildShape(const TShapeDef& def) {
    const std::vector<float>& xy = def.outline;
    if (xy.size() < 6 || xy.size() % 2 != 0 || !detail::AllFinite(xy) ||
        !detail::AllFinite(def.spacing, def.shapeStiffness, def.shapeCompliance, def.pressure,
                           def.pressureCompliance) ||
        def.spacing <= 0 || !detail::Buildable(def.material))
        return nullptr;
    const TOutline outline(xy);
    if (outline.TwiceArea() == 0 || !outline.Simple()) return nullptr;
    const double spacing = def.spacing;
    const std::vector<TPoint> rim = OutlinePoints(outline, spacing);
    if (rim.size() < 3) return nullptr;

    // The inner grid, centred on the outline's bounds.
    TInnerGrid grid;
    if (def.fill) {
        double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
        for (const TPoint& p : outline.Corners()) {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
        const double columns = std::floor((maxX - minX) / spacing) + 1;
        const double rows = std::floor((maxY - minY) / spacing) + 1;
        if (!(columns * rows + rim.size() <= static_cast<double>(detail::kMostMasses)))
            return nullptr;
        grid.columns = static_cast<int>(columns);
        grid.rows = static_cast<int>(rows);
        grid.x0 = (minX + maxX - (columns - 1) * spacing) / 2;
        grid.y0 = (minY + maxY - (rows - 1) * spacing) / 2;
        grid.slot.assign(static_cast<std::size_t>(grid.columns) * grid.rows, -1);
    }

    detail::TShapeWriter shape("Shape", def.material);
    for (const TPoint& p : rim) shape.Mass(static_cast<float>(p.x), static_cast<float>(p.y));
    std::vector<TPoint> places(rim);
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c < grid.columns; ++c) {
            const TPoint p = grid.Place(c, r, spacing);
            if (!outline.Inside(p) || outline.DistanceTo(p) < spacing / 2) continue;
            grid.slot[r * grid.columns + c] =
                shape.Mass(static_cast<float>(p.x), static_cast<float>(p.y));
            places.push_back(p);
        }
    }

    const detail::TLinkKind links = detail::LinksOf(def.material);
    const int n = static_cast<int>(rim.size());
    for (int k = 0; k < n; ++k) shape.Link(k, (k + 1) % n, links);
    struct Step {
        int dc, dr;
    };
    static constexpr Step kNeighbours[] = {{1, 0}, {0, 1}, {1, 1}, {-1, 1}};
    const double reach = 1.5 * spacing;
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c < grid.columns; ++c) {
            const int here = grid.At(c, r);
            if (here < 0) continue;
            const TPoint p = places[static_cast<std::size_t>(here)];
            for (const Step& s : kNeighbours) {
                const int there = grid.At(c + s.dc, r + s.dr);
                if (there >= 0 && outline.Holds(p, places[static_cast<std::size_t>(there)]))
                    shape.Link(here, there, links);
            }
            for (int k = 0; k < n; ++k) {
                const TPoint& q = rim[static_cast<std::size_t>(k)];
                if (std::hypot(q.x - p.x, q.y - p.y) <= reach && outline.Holds(p, q))
                    shape.Link(here, k, links);
            }
        }
    }

    TAdvBody& body = shape.Body();
    if (def.shapeStiffness > 0 || def.shapeCompliance >= 0) {
        std::vector<int> all(places.size());
        for (std::size_t k = 0; k < all.size(); ++k) all[k] = static_cast<int>(k);
        const int slot = shape.Check(body.ConAddShape(all, def.shapeStiffness));
        if (def.shapeCompliance >= 0) shape.Compliance(slot, def.shapeCompliance);
    }
    if (def.pressure > 0 || def.pressureCompliance >= 0) {
        std::vector<int> ring(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) ring[static_cast<std::size_t>(k)] = k;
        const int slot = shape.Check(body.ConAddPressure(ring, 0, def.pressure));
        if (def.pressureCompliance >= 0) shape.Compliance(slot, def.pressureCompliance);
    }
    if (def.skin) shape.Skin(0, n, true);
    return shape.Finish();
}

} // namespace kel::tangle
