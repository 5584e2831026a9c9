#pragma once
// A disc swept along a straight path, and where it first touches a disc or
// an edge on the way: the geometry of continuous collision (continuous.h).
//
// The centre moves as P + t D, t in 0 ... 1. Touching an edge at distance
// `reach` is the centre entering the edge's capsule of that radius: the
// first of its two end discs and its two long sides that the path enters.
// A path that starts inside the capsule never enters it, and meets nothing.
//
// A disc that already touches or overlaps an edge (resting on it, sliding
// along it, or stopped there by the last step and still heading in) must
// not be stopped by a mere slide: for it the capsule is half as wide as the
// distance it starts at, which a slide never reaches and a blow into the
// edge does long before the centre could cross it.

#include <cmath>

#include "physics/zonebase.h"

namespace kel::tangle::detail {

// The box around a path's centre line, grown on every side. Plain
// comparisons: std::fmin and std::fmax are calls to the C library here.
struct TPathBox {
    float x0, y0, x1, y1;

    TPathBox(const TSweptDisc& p, float grow) {
        const float ex = p.x + p.dx, ey = p.y + p.dy;
        x0 = (p.x < ex ? p.x : ex) - grow;
        x1 = (p.x < ex ? ex : p.x) + grow;
        y0 = (p.y < ey ? p.y : ey) - grow;
        y1 = (p.y < ey ? ey : p.y) + grow;
    }
    // Whether the edge A-B lies wholly to one side of the box.
    // Bitwise, not short-circuit: whether an edge is in reach is hard to
    // predict, and four compares cost less than a mispredicted branch.
    bool Misses(float ax, float ay, float bx, float by) const {
        return ((ax < x0) & (bx < x0)) | ((ax > x1) & (bx > x1)) | ((ay < y0) & (by < y0)) |
               ((ay > y1) & (by > y1));
    }
    // Whether the box (left, top, right, bottom) lies wholly outside this one.
    bool MissesBox(float left, float top, float right, float bottom) const {
        return (x1 < left) | (x0 > right) | (y1 < top) | (y0 > bottom);
    }
};

// The first t in 0 ... 1 at which the centre comes within `reach` of the
// point (cx, cy), starting farther away; false when it never does.
inline bool PathEntersDisc(const TSweptDisc& p, float cx, float cy, float reach, float& t) {
    const float wx = p.x - cx, wy = p.y - cy;
    const float c = wx * wx + wy * wy - reach * reach;
    const float b = wx * p.dx + wy * p.dy;  // half the usual b
    if (!(c > 0) || !(b < 0)) return false; // inside already, or heading away
    const float a = p.dx * p.dx + p.dy * p.dy;
    const float disc = b * b - a * c;
    if (!(disc >= 0)) return false;
    const float at = c / (-b + std::sqrt(disc)); // the smaller root, without cancellation
    if (!(at <= 1)) return false;
    t = at;
    return true;
}

// The distance from (px, py) to the edge A-B.
inline float DistanceToEdge(float px, float py, float ax, float ay, float bx, float by) {
    const float ex = bx - ax, ey = by - ay;
    float u = ((px - ax) * ex + (py - ay) * ey) / (ex * ex + ey * ey);
    if (!(u >= 0)) u = 0; // a zero-length edge gives not-a-number: its start
    if (!(u <= 1)) u = 1;
    const float qx = ax + u * ex - px, qy = ay + u * ey - py;
    return std::sqrt(qx * qx + qy * qy);
}

// The first t at which the swept disc touches the edge A-B (see the file's
// notes for a disc that starts overlapping it), with the normal and the
// point of the edge touched; only when earlier than touch.t, which it then
// replaces. `start` is set to the centre's distance from the edge at t = 0.
inline bool PathEntersCapsule(const TSweptDisc& p, float ax, float ay, float bx, float by,
                              TTouch& touch, float& start) {
    start = DistanceToEdge(p.x, p.y, ax, ay, bx, by);
    const float reach = start > p.radius ? p.radius : 0.5f * start;
    if (!(reach > 0)) return false;
    bool found = false;
    float t = 0;
    const float ex = bx - ax, ey = by - ay;
    const float len2 = ex * ex + ey * ey;
    if (len2 > 0) {
        // Along the long side facing the start.
        const float len = std::sqrt(len2);
        float nx = -ey / len, ny = ex / len;
        float side = (p.x - ax) * nx + (p.y - ay) * ny;
        if (side < 0) {
            nx = -nx;
            ny = -ny;
            side = -side;
        }
        const float closing = -(p.dx * nx + p.dy * ny);
        // A disc that starts touching, with `side` rounded down to the reach
        // where `start` was not, touches at once.
        if ((side > reach || start > reach) && closing > 0 && side - reach <= closing) {
            t = side > reach ? (side - reach) / closing : 0;
            const float cx = p.x + t * p.dx, cy = p.y + t * p.dy;
            const float u = ((cx - ax) * ex + (cy - ay) * ey) / len2;
            if (u >= 0 && u <= 1 && t < touch.t) {
                touch = {t, nx, ny, cx - nx * reach, cy - ny * reach, reach};
                found = true;
            }
        }
    }
    const float ends[2][2] = {{ax, ay}, {bx, by}};
    for (const auto& e : ends) {
        if (!PathEntersDisc(p, e[0], e[1], reach, t) || !(t < touch.t)) continue;
        const float cx = p.x + t * p.dx, cy = p.y + t * p.dy;
        const float d = std::sqrt((cx - e[0]) * (cx - e[0]) + (cy - e[1]) * (cy - e[1]));
        if (!(d > 0)) continue;
        touch = {t, (cx - e[0]) / d, (cy - e[1]) / d, e[0], e[1], reach};
        found = true;
    }
    return found;
}

} // namespace kel::tangle::detail
