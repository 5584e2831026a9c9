#include <cmath>

#include "physics/colevent.h"
#include "physics/contacts/collision_queue.h"
#include "physics/contacts/contact.h"
#include "physics/zones/degmath.h"
#include "physics/step/step_context.h"
#include "physics/contacts/swept_disc.h"
#include "physics/contacts/zone_contact.h"
#include "physics/mass.h"
#include "physics/zone.h"
#include "physics/zones/zone_winding.h"

namespace kel::tangle {

namespace {

// The nearest point of the zone's edges to a point, tracked edge by edge.
struct NearestPoint {
    float px, py; // the point searched from
    float bestD2 = 1.0E38f;
    float x = 0, y = 0;

    void Edge(float ax, float ay, float bx, float by) {
        const float ex = bx - ax, ey = by - ay;
        float t = (ex * (px - ax) + ey * (py - ay)) / (ex * ex + ey * ey);
        // A zero-length edge gives not-a-number: its start point.
        if (!(t >= 0)) t = 0;
        if (!(t <= 1)) t = 1;
        const float cx = ax * (1 - t) + bx * t, cy = ay * (1 - t) + by * t;
        const float d2 = (px - cx) * (px - cx) + (py - cy) * (py - cy);
        // Ties keep the earlier edge.
        if (d2 < bestD2) {
            bestD2 = d2;
            x = cx;
            y = cy;
        }
    }
};

} // namespace

int TZone::Collide(TMass* mass) { return CollideIn(detail::TStepContext{}, mass); }

int TZone::CollideIn(const detail::TStepContext& step, TMass* mass) {
    const float mx = mass->posX, my = mass->posY, radius = mass->radius;
    // Coarse test. Outside the tree's root box (the bounding box grown by
    // one unit) only a HOLE can be touched, being solid all the way out; for
    // the other styles the exact test could only find the circle clear of
    // every edge there, so it is not run for masses that are far away.
    const int missResult = style == HOLE ? 1 : 0;
    const int near = quadTree ? quadTree->Collide(offsetX, offsetY, mx - radius, my - radius,
                                                  2 * radius, missResult)
                              : missResult;
    if (!near || style < LINE || style > HOLE) return 0;

    const int n = static_cast<int>(area.size() / 2);
    if (n < 2) return 0;
    const float* v = area.data();
    const float ox = offsetX, oy = offsetY;
    NearestPoint nearest{mx, my};
    TWinding winding(mx, my);
    const bool solid = style == FILL || style == HOLE;

    // An open polyline starts at vertex 0; closed shapes visit the closing
    // edge first.
    int k = style == LINE ? 1 : 0;
    const int start = style == LINE ? 0 : n - 1;
    float px = v[2 * start] + ox, py = v[2 * start + 1] + oy;
    if (solid) winding.Start(px, py);
    for (; k < n; ++k) {
        const float qx = v[2 * k] + ox, qy = v[2 * k + 1] + oy;
        nearest.Edge(px, py, qx, qy);
        if (solid) winding.Step(px, py, qx, qy);
        px = qx;
        py = qy;
    }

    float d = std::sqrt(nearest.bestD2);
    if (!(d >= detail::kMinDistance)) d = detail::kMinDistance;
    // Away from the nearest edge when the circle reaches it from the open
    // side; across it when the centre sits in solid matter.
    const bool inSolid =
        (style == FILL && winding.Inside()) || (style == HOLE && !winding.Inside());
    float nx = (mx - nearest.x) / d, ny = (my - nearest.y) / d;
    float depth = radius - d;
    if (inSolid) {
        nx = -nx;
        ny = -ny;
        depth = d + radius;
    }
    if (!(depth > 0)) return 0;

    Respond(step, mass, nx, ny, depth, nearest.x, nearest.y);
    return 0;
}

void TZone::Respond(const detail::TStepContext& step, TMass* mass, float nx, float ny,
                    float depth, float x, float y) {
    // A response of the program's own may free the zone; the default one
    // cannot, and taking no reference lets tasks of a step on several
    // threads collide with the same zone.
    const bool ownResponse = ColResponse && ColResponse != &ColDefault;
    core::Ref<TZone> self(ownResponse ? this : nullptr);
    (ColResponse ? ColResponse : &ColDefault)(this, mass, nx, ny, depth);
    detail::ReportContact(step, {TColEvent::MASS_ZONE, mass, this, x, y, depth});
}

TSweepFound TZone::FirstTouch(const TSweptDisc& path, TTouch& touch) const {
    if (style < LINE || style > HOLE) return TSweepFound::Clear;
    const int n = static_cast<int>(area.size() / 2);
    if (n < 2) return TSweepFound::Clear;
    // The tree is asked about the box around the whole path, as Collide
    // asks about the square around the disc. It is grown by a little more
    // than rounding, so that a Clear answer holds for Collide's square
    // where the path ends.
    const detail::TPathBox box(path, path.radius * 1.001f);
    const int missResult = style == HOLE ? 1 : 0;
    const int near = quadTree ? quadTree->CollideBox(offsetX, offsetY, box.x0, box.y0, box.x1,
                                                     box.y1, missResult)
                              : missResult;
    if (!near) {
        // Solid beyond the tree's box, a HOLE is clear only when the path
        // stays inside it.
        if (style == HOLE) {
            const float left = offsetX + quadTree->posX, top = offsetY + quadTree->posY;
            if (!(box.x0 >= left && box.x1 <= left + quadTree->sizeX && box.y0 >= top &&
                  box.y1 <= top + quadTree->sizeY))
                return TSweepFound::Near;
        }
        return TSweepFound::Clear;
    }

    const float* v = area.data();
    const float ox = offsetX, oy = offsetY;
    const bool solid = style == FILL || style == HOLE;
    // The edges in Collide's order, so that ties go the same way. This
    // zone's first touch, however late: one later than the touch given
    // still means the path ends near.
    TTouch mine;
    int k = style == LINE ? 1 : 0;
    const int start = style == LINE ? 0 : n - 1;
    float px = v[2 * start] + ox, py = v[2 * start + 1] + oy;
    // Whether the path started farther than its radius from every edge in
    // its reach: then, touching none, it ends clear of them all.
    bool startedApart = true;
    for (; k < n; ++k) {
        const float qx = v[2 * k] + ox, qy = v[2 * k + 1] + oy;
        // Most edges of a zone that the path comes near are out of its reach.
        if (!box.Misses(px, py, qx, qy)) {
            float startDistance = 0;
            detail::PathEntersCapsule(path, px, py, qx, qy, mine, startDistance);
            if (!(startDistance > path.radius)) startedApart = false;
        }
        px = qx;
        py = qy;
    }
    const bool touched = mine.t <= 1;
    if (!touched && !startedApart) return TSweepFound::Near;
    // A path that starts in solid matter is the discrete contact's to push
    // out; asked only of a path that touched an edge or may end clear.
    if (solid) {
        TWinding winding(path.x, path.y);
        px = v[2 * (n - 1)] + ox;
        py = v[2 * (n - 1) + 1] + oy;
        winding.Start(px, py);
        for (k = 0; k < n; ++k) {
            const float qx = v[2 * k] + ox, qy = v[2 * k + 1] + oy;
            winding.Step(px, py, qx, qy);
            px = qx;
            py = qy;
        }
        if (winding.Inside() == (style == FILL)) return TSweepFound::Near;
    }
    if (!touched) return TSweepFound::Clear;
    if (!(mine.t < touch.t)) return TSweepFound::Near;
    touch = mine;
    return TSweepFound::Touch;
}

int TZone::CollideSwept(TMass* mass, const TSweptDisc& path, const TTouch& touch) {
    return CollideSweptIn(detail::TStepContext{}, mass, path, touch);
}

int TZone::CollideSweptIn(const detail::TStepContext& step, TMass* mass, const TSweptDisc& path,
                          const TTouch& touch) {
    // How far the mass went past the touch along the normal, and how much
    // nearer than its radius the touch already was.
    const float cx = path.x + touch.t * path.dx, cy = path.y + touch.t * path.dy;
    const float past = (cx - mass->posX) * touch.nx + (cy - mass->posY) * touch.ny;
    const float depth = past + (path.radius - touch.reach);
    if (!(depth > 0)) return 0;
    Respond(step, mass, touch.nx, touch.ny, depth, touch.x, touch.y);
    return 0;
}

int TZone::ColDefault(TZone* zone, TMass* mass, float nx, float ny, float depth) {
    if (!zone || !mass) return 0;
    mass->posX += nx * depth;
    mass->posY += ny * depth;
    // Velocity is the step's position difference; the push above added to it.
    const float vx = mass->posX - mass->oldPosX, vy = mass->posY - mass->oldPosY;
    const float speed = std::sqrt(vx * vx + vy * vy);
    const float vn = static_cast<float>(DegCos(DegAtan2(vy, vx) - DegAtan2(ny, nx)) * speed);
    const float tx = vx - nx * vn, ty = vy - ny * vn;
    const float w = std::sqrt(tx * tx + ty * ty);
    const float h = depth * (zone->friction + mass->friction) * 0.5f;
    // Friction stops slow tangential motion and slows fast motion by h. A
    // limit that is not a number (friction read from a file) stops it too,
    // and w = 0 never divides.
    if (!(w > h) || w == 0) {
        mass->posX -= tx;
        mass->posY -= ty;
    } else {
        mass->posX -= h * tx / w;
        mass->posY -= h * ty / w;
    }
    return 0;
}

namespace detail {

void TZoneAccess::Collide(const TStepContext& step, TZoneBase* z, TMass* m) {
    if (TZone* zone = core::As<TZone>(z))
        zone->CollideIn(step, m);
    else
        z->Collide(m);
}

void TZoneAccess::CollideSwept(const TStepContext& step, TZoneBase* z, TMass* m,
                               const TSweptDisc& path, const TTouch& touch) {
    if (TZone* zone = core::As<TZone>(z))
        zone->CollideSweptIn(step, m, path, touch);
    else
        z->CollideSwept(m, path, touch);
}

} // namespace detail

} // namespace kel::tangle
