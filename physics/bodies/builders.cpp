#include "physics/builders.h"

#include "physics/files/shape_writer.h"

#include "core/exact_trig.h"

#include <array>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace kel::tangle {

using detail::Buildable;
using detail::Finite;
using detail::kMostMasses;
using detail::LinksOf;
using detail::TLinkKind;
using detail::TShapeWriter;

namespace {

// The masses of a ring of `count` round (x, y), in the next slots, the k-th
// at 360 * k / count degrees from +x. The exact sine and cosine place them
// where the desktop's C library did, on every build, so that a scene gives
// the same bits in the browser.
void AddRing(TShapeWriter& shape, float x, float y, float radius, int count) {
    for (int k = 0; k < count; ++k) {
        const double a = 2 * std::numbers::pi * k / count;
        shape.Mass(x + radius * static_cast<float>(core::ExactCos(a)),
                   y + radius * static_cast<float>(core::ExactSin(a)));
    }
}

// The masses a rope needs: the given count, or the fewest whose links are no
// longer than segmentLength; 0 when neither makes sense.
int RopeCount(const TRopeDef& def) {
    if (def.count > 0) return def.count <= kMostMasses ? def.count : 0;
    if (def.count < 0 || !Finite(def.segmentLength) || def.segmentLength <= 0) return 0;
    const double length = std::hypot(double{def.x2} - def.x1, double{def.y2} - def.y1);
    // A length a rounding error over a whole number of segments needs no
    // extra segment.
    const double segments = std::ceil(length / def.segmentLength - 1e-6);
    if (!(segments < kMostMasses)) return 0;
    return segments < 1 ? 2 : static_cast<int>(segments) + 1;
}

bool RingBuildable(float x, float y, float radius, int rim, const TMaterial& m) {
    return rim >= 3 && rim <= kMostMasses / 2 && Finite(x) && Finite(y) && Finite(radius) &&
           radius > 0 && Buildable(m);
}

} // namespace

core::Ref<TAdvBody> BuildRope(const TRopeDef& def) {
    const int count = RopeCount(def);
    if (count < 2 || !Finite(def.x1) || !Finite(def.y1) || !Finite(def.x2) || !Finite(def.y2) ||
        !Buildable(def.material))
        return nullptr;
    TShapeWriter shape("Rope", def.material);
    for (int k = 0; k < count; ++k) {
        const float t = static_cast<float>(k) / static_cast<float>(count - 1);
        shape.Mass(def.x1 + (def.x2 - def.x1) * t, def.y1 + (def.y2 - def.y1) * t);
    }
    for (int k = 0; k + 1 < count; ++k) shape.Link(k, k + 1, LinksOf(def.material));
    if (def.freezeStart) shape.Body().MassFreeze(0);
    if (def.freezeEnd) shape.Body().MassFreeze(count - 1);
    if (def.skin) shape.Skin(0, count, false);
    return shape.Finish();
}

core::Ref<TAdvBody> BuildCloth(const TClothDef& def) {
    const int columns = def.columns, rows = def.rows;
    if (columns < 1 || rows < 1 || columns * 1LL * rows < 2 || columns * 1LL * rows > kMostMasses ||
        !Finite(def.x) || !Finite(def.y) || !Finite(def.spacing) || def.spacing <= 0 ||
        !Buildable(def.material))
        return nullptr;
    TShapeWriter shape("Cloth", def.material);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            shape.Mass(def.x + c * def.spacing, def.y + r * def.spacing);
    // A family of links: for every mass (c, r) in slot order, each of its
    // pairs ties mass (c, r) + from to (c, r) + to where both are in the grid.
    struct Offset {
        int dc, dr;
    };
    struct Pair {
        Offset from, to;
    };
    using Family = std::array<Pair, 2>;
    static constexpr Family kGrid{{{{0, 0}, {1, 0}}, {{0, 0}, {0, 1}}}};
    static constexpr Family kShear{{{{0, 0}, {1, 1}}, {{1, 0}, {0, 1}}}};
    static constexpr Family kBend{{{{0, 0}, {2, 0}}, {{0, 0}, {0, 2}}}};
    auto inside = [&](int c, int r) { return c < columns && r < rows; };
    auto slot = [columns](int c, int r) { return r * columns + c; };
    const TLinkKind links = LinksOf(def.material);
    auto tie = [&](const Family& family) {
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                for (const Pair& p : family) {
                    const int c1 = c + p.from.dc, r1 = r + p.from.dr;
                    const int c2 = c + p.to.dc, r2 = r + p.to.dr;
                    if (inside(c1, r1) && inside(c2, r2))
                        shape.Link(slot(c1, r1), slot(c2, r2), links);
                }
    };
    tie(kGrid);
    if (def.shear) tie(kShear);
    if (def.bend) tie(kBend);
    if (def.pinTop)
        for (int c = 0; c < columns; ++c) shape.Body().MassFreeze(slot(c, 0));
    if (def.skin) {
        // Round the edge: along the top, down the right, back along the
        // bottom and up the left, each corner once.
        std::vector<int> edge;
        for (int c = 0; c < columns; ++c) edge.push_back(slot(c, 0));
        for (int r = 1; r < rows; ++r) edge.push_back(slot(columns - 1, r));
        if (rows > 1 && columns > 1) {
            for (int c = columns - 2; c >= 0; --c) edge.push_back(slot(c, rows - 1));
            for (int r = rows - 2; r > 0; --r) edge.push_back(slot(0, r));
        }
        shape.Check(shape.Body().ConAddSkin(edge, rows > 1 && columns > 1));
    }
    return shape.Finish();
}

core::Ref<TAdvBody> BuildJelly(const TJellyDef& def) {
    const int n = def.rim;
    if (!RingBuildable(def.x, def.y, def.radius, n, def.material) ||
        !detail::AllFinite(def.innerStiffness, def.innerCompliance))
        return nullptr;
    TShapeWriter shape("Jelly", def.material);
    const int centre = shape.Mass(def.x, def.y);
    AddRing(shape, def.x, def.y, def.radius, n);
    const bool mesh = def.interior == TJellyDef::MESH;
    if (mesh) AddRing(shape, def.x, def.y, def.radius / 2, n);
    auto rimMass = [n](int k) { return 1 + k % n; };
    auto innerMass = [n](int k) { return 1 + n + k % n; };
    const TLinkKind rim = LinksOf(def.material);
    const TLinkKind inner{def.innerStiffness, def.innerCompliance};
    const bool braces = def.braces && n >= 5;
    for (int k = 0; k < n; ++k) {
        shape.Link(rimMass(k), rimMass(k + 1), rim);
        if (braces) shape.Link(rimMass(k), rimMass(k + 2), rim);
        shape.Link(centre, rimMass(k), inner);
        if (!mesh) continue;
        shape.Link(rimMass(k), innerMass(k), inner);
        shape.Link(rimMass(k), innerMass(k + 1), inner);
        shape.Link(innerMass(k), innerMass(k + 1), inner);
        shape.Link(innerMass(k), centre, inner);
    }
    if (def.skin) shape.Skin(1, n, true);
    return shape.Finish();
}

core::Ref<TAdvBody> BuildBlob(const TBlobDef& def) {
    const int n = def.rim;
    if (!RingBuildable(def.x, def.y, def.radius, n, def.material) ||
        !detail::AllFinite(def.restArea, def.pressure, def.pressureCompliance))
        return nullptr;
    TShapeWriter shape("Blob", def.material);
    AddRing(shape, def.x, def.y, def.radius, n);
    std::vector<int> ring(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        ring[static_cast<std::size_t>(k)] = k;
        shape.Link(k, (k + 1) % n, LinksOf(def.material));
    }
    const int pressure = shape.Check(shape.Body().ConAddPressure(ring, def.restArea, def.pressure));
    if (def.pressureCompliance >= 0) shape.Compliance(pressure, def.pressureCompliance);
    if (def.skin) shape.Skin(0, n, true);
    return shape.Finish();
}

int TearStretched(TAdvBody& body, float maxStress) {
    if (!(maxStress > 1)) return 0;
    int torn = 0;
    const int last = body.ConMaxIndex();
    for (int i = 0; i <= last; ++i) {
        const TConstraint* c = body.ConGet(i);
        if (c && c->GetKind() == TConstraint::DISTANCE && c->GetStress() > maxStress) {
            body.ConRemove(i);
            ++torn;
        }
    }
    return torn;
}

} // namespace kel::tangle
