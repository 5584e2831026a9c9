#pragma once
// The response of a contact between two masses, inline so that the step's
// contact walk runs it without a call.

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "physics/colevent.h"
#include "physics/contacts/collision_queue.h"
#include "physics/step/intrinsics.h"
#include "physics/contacts/stacking.h"
#include "physics/mass.h"

namespace kel::tangle::detail {

struct TStepContext;

// Below this, a distance between two points counts as this: coincident
// points then give a zero direction instead of a division by zero.
constexpr float kMinDistance = 0.0001f;
// The largest mass whose double is still finite.
constexpr float kLargestHalvable = std::numeric_limits<float>::max() / 2;

// Whether masses of groups a and b collide: group 0 collides with nothing,
// and masses of one group not with each other.
inline bool Collides(float a, float b) { return a != 0 && b != 0 && a != b; }

// The functions below take any class with a mass's fields of the same names
// (posX, posY, oldPosX, oldPosY, radius, mass, friction, frozen): a TMass, or
// the copy of one that a sweep keeps in its cell arrays.

// Tangential part of a mass's velocity for the unit normal (nx, ny).
template <class M> inline void Tangential(const M* m, float nx, float ny, float& tx, float& ty) {
    float vx = m->posX - m->oldPosX, vy = m->posY - m->oldPosY;
    float vn = vx * nx + vy * ny;
    tx = vx - nx * vn;
    ty = vy - ny * vn;
}

// Lets a mass that slides along a fixed partner slow by f, or stop.
template <class M> inline void SlowSliding(M* m, float nx, float ny, float f) {
    float tx, ty;
    Tangential(m, nx, ny, tx, ty);
    float t = std::sqrt(tx * tx + ty * ty);
    if (f >= t) {
        m->oldPosX += tx;
        m->oldPosY += ty;
    } else {
        m->oldPosX += tx / t * f;
        m->oldPosY += ty / t * f;
    }
}

// a where `first`, else b, chosen without a jump. The empty asm hides the
// choice from the compiler, which would otherwise turn it back into one.
inline float PickWithoutJump(bool first, float a, float b) {
    std::uint32_t mask = first ? ~0u : 0u;
    HideFromOptimiser(mask);
    return std::bit_cast<float>((std::bit_cast<std::uint32_t>(a) & mask) |
                                (std::bit_cast<std::uint32_t>(b) & ~mask));
}

// Where a contact happened and how deep it was: what its event carries.
struct TContactPoint {
    float x, y, force;
};

// The response itself, for centres d apart and radii that sum to r, under
// the step's shock rule (off outside a stacking step).
template <class A, class B>
QUORVEL_ALWAYS_INLINE bool ResolveAtDistance(const TShock& shock, A* a, B* b, float r, float d,
                                             TContactPoint& contact) {
    float dx = a->posX - b->posX, dy = a->posY - b->posY;
    float nx = dx / d, ny = dy / d;
    float p = d - r;
    if (p >= 0) return false;
    float cx = nx * p, cy = ny * p;
    float f = -p * (a->friction + b->friction) * 0.5f;

    if (b->frozen) {
        a->posX -= cx;
        a->posY -= cy;
        SlowSliding(a, nx, ny, f);
    } else if (a->frozen) {
        b->posX += cx;
        b->posY += cy;
        SlowSliding(b, nx, ny, f);
    } else {
        float ma = a->mass, mb = b->mass;
        if (shock.on) ShockWeights(shock, a->posX, a->posY, b->posX, b->posY, ma, mb);
        float wa, wb;
        if (ma == mb && ma != 0 && std::fabs(ma) <= kLargestHalvable) {
            // m / (m + m) is exactly one half: equal masses, the common
            // case, need no division.
            wa = wb = 0.5f;
        } else {
            float s = ma + mb;
            wa = mb / s;
            wb = ma / s;
        }
        // Masses that sum to zero have no defined share: nothing moves.
        if (std::isfinite(wa) && std::isfinite(wb)) {
            a->posX -= cx * wa;
            a->posY -= cy * wa;
            b->posX += cx * wb;
            b->posY += cy * wb;
            float tax, tay, tbx, tby;
            Tangential(a, nx, ny, tax, tay);
            Tangential(b, nx, ny, tbx, tby);
            float hx = tax - (tax + tbx) * 0.5f, hy = tay - (tay + tby) * 0.5f;
            float h = std::sqrt(hx * hx + hy * hy);
            // Friction stops the sliding, or slows it by f. Both are worked
            // out and one is kept: in a pile which one is a coin toss, and a
            // wrong guess of a jump costs more than the division.
            const bool stops = f >= h;
            const float sx = PickWithoutJump(stops, hx, hx / h * f);
            const float sy = PickWithoutJump(stops, hy, hy / h * f);
            a->oldPosX += sx;
            a->oldPosY += sy;
            b->oldPosX -= sx;
            b->oldPosY -= sy;
        }
    }
    contact = TContactPoint{(a->posX + b->posX) * 0.5f, (a->posY + b->posY) * 0.5f, -p};
    return true;
}

// The response for a pair whose box test has passed and whose distance is known:
// d as ResolveOverlap (below) works it out, bit for bit (the square root of
// dx * dx + dy * dy, raised to kMinDistance).
template <class A, class B>
QUORVEL_ALWAYS_INLINE bool ResolveCandidate(const TShock& shock, A* a, B* b, float d,
                                            TContactPoint& contact) {
    if (a->frozen && b->frozen) return false;
    return ResolveAtDistance(shock, a, b, a->radius + b->radius, d, contact);
}

// Resolves an overlap of a with b: pushes them apart and lets friction act
// on their sliding. Tells whether they were in contact, and then where.
// Inline always: the contact walk runs it for every contact.
template <class A, class B>
QUORVEL_ALWAYS_INLINE bool ResolveOverlap(const TShock& shock, A* a, B* b, TContactPoint& contact) {
    float r = a->radius + b->radius;
    if (std::fabs(b->posX - a->posX) > r || std::fabs(b->posY - a->posY) > r) return false;
    float dx = a->posX - b->posX, dy = a->posY - b->posY;
    float d = std::sqrt(dx * dx + dy * dy);
    if (d < kMinDistance) d = kMinDistance;
    return ResolveCandidate(shock, a, b, d, contact);
}

// The contact of two masses of the world as the step makes it (TMass::Collide
// outside a step passes an empty context): the response under the step's
// shock rule, the contact told to the step's sleep log, and its event.
// Tells whether there was a contact; hooks may have run then.
bool ResolveMasses(const TStepContext& step, TMass* a, TMass* b);

} // namespace kel::tangle::detail
