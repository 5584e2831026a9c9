#pragma once
// The exact tests behind the world's queries, one shape at a time: a ray
// against a disc and against an edge, a box against a disc, an edge and a
// zone, and the order of hits along a ray. The queries decide which shapes to
// ask (through the grid and the quadtrees); these decide the answer, so a
// walk over every shape with them is the queries' reference.
//
// Everything touching counts: a box that meets a disc at one point overlaps
// it, and a ray grazing a disc hits it.

#include <cmath>

#include "core/list.h"
#include "physics/zones/zone_winding.h"
#include "physics/mass.h"
#include "physics/quadtree.h"
#include "physics/query.h"
#include "physics/zone.h"

namespace kel::tangle::detail {

// A box by its least and greatest corners, world units.
struct TQueryBox {
    float minX, minY, maxX, maxY;

    static TQueryBox Of(float x1, float y1, float x2, float y2) {
        return {std::fmin(x1, x2), std::fmin(y1, y2), std::fmax(x1, x2), std::fmax(y1, y2)};
    }
};

// A ray: P + t D for t in 0 ... 1.
struct TRay {
    float px, py, dx, dy;
};

// Whether the segment A-B meets the closed box (Liang-Barsky clipping).
inline bool SegmentMeetsBox(float ax, float ay, float bx, float by, const TQueryBox& box) {
    float t0 = 0, t1 = 1;
    // Clips to the half plane p t <= q.
    auto clip = [&](float p, float q) {
        if (p == 0) return q >= 0;
        const float r = q / p;
        if (p < 0) {
            if (r > t1) return false;
            if (r > t0) t0 = r;
        } else {
            if (r < t0) return false;
            if (r < t1) t1 = r;
        }
        return true;
    };
    const float dx = bx - ax, dy = by - ay;
    return clip(-dx, ax - box.minX) && clip(dx, box.maxX - ax) && clip(-dy, ay - box.minY) &&
           clip(dy, box.maxY - ay);
}

// Whether the disc at (cx, cy) of radius r meets the closed box. For a box
// of one point this is the point test (x - cx)^2 + (y - cy)^2 <= r^2.
inline bool DiscMeetsBox(float cx, float cy, float r, const TQueryBox& box) {
    const float qx = cx < box.minX ? box.minX : (cx > box.maxX ? box.maxX : cx);
    const float qy = cy < box.minY ? box.minY : (cy > box.maxY ? box.maxY : cy);
    const float dx = qx - cx, dy = qy - cy;
    return dx * dx + dy * dy <= r * r;
}

// Where the ray first meets the disc. A ray starting in the disc (edge
// included) meets it at its start.
inline bool RayMeetsDisc(const TRay& ray, float cx, float cy, float r, TRayHit& hit) {
    const float wx = ray.px - cx, wy = ray.py - cy;
    const float c = wx * wx + wy * wy - r * r;
    float t = 0;
    if (!(c <= 0)) {
        const float a = ray.dx * ray.dx + ray.dy * ray.dy;
        const float b = wx * ray.dx + wy * ray.dy; // half the usual b
        if (!(a > 0) || !(b < 0)) return false;    // no length, or heading away
        const float disc = b * b - a * c;
        if (!(disc >= 0)) return false;
        t = (-b - std::sqrt(disc)) / a;
        if (!(t <= 1)) return false;
        if (t < 0) t = 0;
    }
    hit.fraction = t;
    hit.x = ray.px + t * ray.dx;
    hit.y = ray.py + t * ray.dy;
    const float nx = hit.x - cx, ny = hit.y - cy;
    const float len = std::sqrt(nx * nx + ny * ny);
    hit.normalX = len > 0 ? nx / len : 0;
    hit.normalY = len > 0 ? ny / len : 0;
    return true;
}

// Where the ray meets the edge A-B: its fraction, and the edge's unit normal
// facing the ray's start.
inline bool RayMeetsEdge(const TRay& ray, float ax, float ay, float bx, float by, TRayHit& hit) {
    const float ex = bx - ax, ey = by - ay;
    const float wx = ax - ray.px, wy = ay - ray.py; // from the ray's start to A
    const float den = ray.dx * ey - ray.dy * ex;
    float t;
    if (den != 0) {
        t = (wx * ey - wy * ex) / den;
        const float u = (wx * ray.dy - wy * ray.dx) / den;
        if (!(t >= 0 && t <= 1 && u >= 0 && u <= 1)) return false;
    } else {
        const float dd = ray.dx * ray.dx + ray.dy * ray.dy;
        if (dd == 0) {
            // A point: on the edge, or on A when the edge is a point too.
            const float ee = ex * ex + ey * ey;
            const float along = -(wx * ex + wy * ey); // (P - A) . E
            if (ee == 0 ? (wx != 0 || wy != 0)
                        : (wx * ey - wy * ex != 0 || along < 0 || along > ee))
                return false;
            t = 0;
        } else {
            // Parallel: only an edge on the ray's line meets it, first where
            // the two overlap.
            if (wx * ray.dy - wy * ray.dx != 0) return false;
            const float ta = (wx * ray.dx + wy * ray.dy) / dd;
            const float tb = ((bx - ray.px) * ray.dx + (by - ray.py) * ray.dy) / dd;
            const float lo = std::fmin(ta, tb), hi = std::fmax(ta, tb);
            if (hi < 0 || lo > 1) return false;
            t = lo > 0 ? lo : 0;
        }
    }
    hit.fraction = t;
    hit.x = ray.px + t * ray.dx;
    hit.y = ray.py + t * ray.dy;
    const float len = std::sqrt(ex * ex + ey * ey);
    if (len > 0) {
        hit.normalX = -ey / len;
        hit.normalY = ex / len;
        if (hit.normalX * ray.dx + hit.normalY * ray.dy > 0) {
            hit.normalX = -hit.normalX;
            hit.normalY = -hit.normalY;
        }
    } else {
        const float dl = std::sqrt(ray.dx * ray.dx + ray.dy * ray.dy);
        hit.normalX = dl > 0 ? -ray.dx / dl : 0;
        hit.normalY = dl > 0 ? -ray.dy / dl : 0;
    }
    return true;
}

// The edges of a zone in the world: an open LINE has vertex count - 1 of
// them, the closed styles one more, from the last vertex back to vertex 0.
// Other styles and fewer than two vertices have none.
inline int ZoneEdgeCount(const TZone& zone) {
    const int n = static_cast<int>(zone.area.size() / 2);
    if (n < 2 || zone.style < TZone::LINE || zone.style > TZone::HOLE) return 0;
    return zone.style == TZone::LINE ? n - 1 : n;
}

// Edge k of the zone, world units: vertex k to the next.
inline void ZoneEdge(const TZone& zone, int k, float& ax, float& ay, float& bx, float& by) {
    const int n = static_cast<int>(zone.area.size() / 2);
    const int j = k + 1 == n ? 0 : k + 1;
    const float* v = zone.area.data();
    ax = v[2 * k] + zone.offsetX;
    ay = v[2 * k + 1] + zone.offsetY;
    bx = v[2 * j] + zone.offsetX;
    by = v[2 * j + 1] + zone.offsetY;
}

// Where the ray first meets one of the zone's edges, as a hit of the zone;
// ties keep the lower edge.
inline bool RayMeetsZone(const TRay& ray, TZone& zone, TRayHit& hit) {
    const int edges = ZoneEdgeCount(zone);
    bool found = false;
    for (int k = 0; k < edges; ++k) {
        float ax, ay, bx, by;
        ZoneEdge(zone, k, ax, ay, bx, by);
        TRayHit h;
        if (!RayMeetsEdge(ray, ax, ay, bx, by, h)) continue;
        if (!found || h.fraction < hit.fraction) {
            hit = h;
            hit.mass = nullptr;
            hit.zone = &zone;
            hit.edge = k;
            found = true;
        }
    }
    return found;
}

// Whether the zone's matter meets the closed box: any edge; else, with no
// edge touching, the whole box is on one side, told by one corner (a FILL's
// inside, a HOLE's outside). A LINE or LOOP is its outline alone.
inline bool ZoneMeetsBox(const TZone& zone, const TQueryBox& box) {
    const int edges = ZoneEdgeCount(zone);
    for (int k = 0; k < edges; ++k) {
        float ax, ay, bx, by;
        ZoneEdge(zone, k, ax, ay, bx, by);
        if (SegmentMeetsBox(ax, ay, bx, by, box)) return true;
    }
    if (edges == 0 || (zone.style != TZone::FILL && zone.style != TZone::HOLE)) return false;
    const bool inside = TWinding::Contains(zone.area.data(), static_cast<int>(zone.area.size() / 2),
                                           box.minX - zone.offsetX, box.minY - zone.offsetY);
    return zone.style == TZone::FILL ? inside : !inside;
}

// Whether the filter lets the mass or zone through (not whether it is in
// the world).
inline bool FilterPasses(const TQueryFilter& filter, TMass* m) {
    if (!filter.masses) return false;
    if (filter.byGroup) {
        const float g = static_cast<float>(filter.group);
        if (g == 0 || m->colGroup == 0 || m->colGroup == g) return false;
    }
    return !filter.massTest || filter.massTest(m);
}
inline bool FilterPasses(const TQueryFilter& filter, TZone* z) {
    if (!filter.zones) return false;
    if (filter.byGroup && (filter.group == 0 || z->colGroup == 0 || z->colGroup == filter.group))
        return false;
    return !filter.zoneTest || filter.zoneTest(z);
}

// Whether link a comes before link b in their list (a != b, both in it).
inline bool EarlierInList(const core::TLink* a, const core::TLink* b) {
    for (const core::TLink* l = a; l; l = l->NextLink())
        if (l == b) return true;
    return false;
}

// The order of hits along a ray: nearer first; at one fraction masses before
// zones, then the earlier in the world's list.
inline bool HitBefore(const TRayHit& a, const TRayHit& b) {
    if (a.fraction != b.fraction) return a.fraction < b.fraction;
    if ((a.mass != nullptr) != (b.mass != nullptr)) return a.mass != nullptr;
    if (a.mass) return a.mass != b.mass && EarlierInList(a.mass->link, b.mass->link);
    return a.zone != b.zone && EarlierInList(a.zone->link, b.zone->link);
}

// The ranking of NearestMass: edge distance, then squared centre distance,
// then the earlier in the world's list.
struct TNearKey {
    float edge, d2;
    TMass* mass;

    bool Before(const TNearKey& o) const {
        if (edge != o.edge) return edge < o.edge;
        if (d2 != o.d2) return d2 < o.d2;
        return mass != o.mass && EarlierInList(mass->link, o.mass->link);
    }
};

// The key of mass m seen from (x, y), or false when its edge is beyond
// reach: (x - cx)^2 + (y - cy)^2 > (reach + r)^2.
inline bool NearKeyOf(TMass* m, float x, float y, float reach, TNearKey& key) {
    const float dx = x - m->posX, dy = y - m->posY;
    const float d2 = dx * dx + dy * dy;
    const float span = reach + m->radius;
    if (!(span >= 0) || !(d2 <= span * span)) return false;
    key = {std::sqrt(d2) - m->radius, d2, m};
    return true;
}

// Whether the quadtree placed at (ox, oy) has a covered leaf for which
// meets(box) is true; a node's box must meet for any leaf below it to.
template <class Meets>
bool AnyCoveredLeaf(const TQuadTree& node, float ox, float oy, const Meets& meets) {
    const float left = ox + node.posX, top = oy + node.posY;
    if (!meets(TQueryBox{left, top, left + node.sizeX, top + node.sizeY})) return false;
    if (node.childList->IsEmpty()) return true;
    for (core::TLink* l = node.childList->FirstLink(); l; l = l->NextLink()) {
        if (const TQuadTree* child = core::As<TQuadTree>(l->Value()))
            if (AnyCoveredLeaf(*child, ox, oy, meets)) return true;
    }
    return false;
}

} // namespace kel::tangle::detail
