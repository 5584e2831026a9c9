#include "physics/mass.h"

#include <cmath>

#include "core/detail/block_pool.h"
#include "physics/colevent.h"
#include "physics/detail/degmath.h"
#include "physics/detail/view_state.h"
#include "physics/world.h"

namespace kel::tangle {

void* TMass::operator new(std::size_t size) { return core::PooledNew<TMass>(size); }
void TMass::operator delete(void* p, std::size_t size) noexcept {
    core::PooledDelete<TMass>(p, size);
}

int nextColGroup = -2;

int TakeAutoColGroup() { return nextColGroup--; }

TMass::~TMass() {
    // The cell does not own the mass: take it out so no walk meets it again.
    if (gridlink.cell) gridlink.cell->Unlink(this);
}

core::Ref<TMass> TMass::Create(float x, float y, float mass, float radius, float friction,
                               int colGroup) {
    core::Ref<TMass> m = core::Make<TMass>();
    m->name = "Mass";
    m->posX = m->oldPosX = x;
    m->posY = m->oldPosY = y;
    m->mass = mass;
    m->radius = radius;
    m->friction = Clamp01(friction);
    m->SetColGroup(colGroup);
    return m;
}

core::Ref<TMass> TMass::Copy() const {
    core::Ref<TMass> m = core::Make<TMass>();
    m->name = name;
    m->posX = posX;
    m->posY = posY;
    m->oldPosX = oldPosX;
    m->oldPosY = oldPosY;
    m->mass = mass;
    m->radius = radius;
    m->colGroup = colGroup;
    m->friction = friction;
    m->frozen = frozen;
    m->index = index;
    return m;
}

int TMass::SetName(const std::string& text) {
    name = text;
    return 0;
}

int TMass::Move(float dx, float dy) {
    if (frozen) return 0;
    posX += dx;
    posY += dy;
    return 0;
}

int TMass::Translate(float dx, float dy) {
    posX += dx;
    posY += dy;
    oldPosX += dx;
    oldPosY += dy;
    return 0;
}

int TMass::Position(float x, float y) {
    posX = oldPosX = x;
    posY = oldPosY = y;
    return 0;
}

int TMass::Draw() const {
    if (!draw2d::GetGraphics()) return 0;
    surface_state::Saved<surface_state::Rotation> rotation;
    draw2d::SetRotation(0);
    TPhysics::DrawOval(posX - radius, posY - radius, 2 * radius, 2 * radius);
    return 0;
}

int TMass::GetPosition(float& x, float& y) const {
    x = posX;
    y = posY;
    return 0;
}

int TMass::SetMass(float m) {
    mass = m;
    return 0;
}

int TMass::SetRadius(float r) {
    radius = r;
    return 0;
}

int TMass::SetFriction(float f) {
    friction = Clamp01(f);
    return 0;
}

int TMass::Freeze() {
    oldPosX = posX;
    oldPosY = posY;
    frozen = 1;
    return 0;
}

int TMass::Thaw() {
    frozen = 0;
    return 0;
}

int TMass::SetVelocity(float vx, float vy) {
    if (frozen) return 0;
    oldPosX = posX - vx;
    oldPosY = posY - vy;
    return 0;
}

int TMass::AddVelocity(float vx, float vy) {
    if (frozen) return 0;
    oldPosX -= vx;
    oldPosY -= vy;
    return 0;
}

float TMass::GetVelocity() const {
    float vx = posX - oldPosX, vy = posY - oldPosY;
    return std::sqrt(vx * vx + vy * vy);
}

int TMass::GetColGroup() const { return TruncToInt(colGroup); }

int TMass::SetColGroup(int group) {
    colGroup = static_cast<float>(group == -1 ? TakeAutoColGroup() : group);
    return 0;
}

int TMass::AddRef() {
    // Without a world the count still records the holder, but there is no
    // list to enter.
    if (refCounter == 0 && massList) {
        link = massList->AddLast(this);
        AddToGrid();
    }
    ++refCounter;
    return 0;
}

int TMass::SubRef() {
    --refCounter;
    if (refCounter == 0) {
        core::Ref<TMass> self(this); // the list may hold the last reference
        if (gridlink.cell) gridlink.cell->Unlink(this);
        if (link) {
            core::TLink* l = link;
            link = nullptr;
            l->Remove();
        }
    }
    return 0;
}

int TMass::Collide(TMass* other) {
    if (other) Resolve(other);
    return 0;
}

namespace {

// Tangential part of a mass's velocity for the unit normal (nx, ny).
inline void Tangential(const TMass* m, float nx, float ny, float& tx, float& ty) {
    float vx = m->posX - m->oldPosX, vy = m->posY - m->oldPosY;
    float vn = vx * nx + vy * ny;
    tx = vx - nx * vn;
    ty = vy - ny * vn;
}

// Lets a mass that slides along a fixed partner slow by f, or stop.
inline void SlowSliding(TMass* m, float nx, float ny, float f) {
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

} // namespace

bool TMass::Resolve(TMass* b) {
    TMass* a = this;
    if (a->frozen && b->frozen) return false;
    float r = a->radius + b->radius;
    if (std::fabs(b->posX - a->posX) > r || std::fabs(b->posY - a->posY) > r) return false;
    float dx = a->posX - b->posX, dy = a->posY - b->posY;
    float d = std::sqrt(dx * dx + dy * dy);
    if (d < 0.0001f) d = 0.0001f;
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
        float s = a->mass + b->mass;
        float wa = b->mass / s, wb = a->mass / s;
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
            if (f >= h) {
                a->oldPosX += hx;
                a->oldPosY += hy;
                b->oldPosX -= hx;
                b->oldPosY -= hy;
            } else {
                float sx = hx / h * f, sy = hy / h * f;
                a->oldPosX += sx;
                a->oldPosY += sy;
                b->oldPosX -= sx;
                b->oldPosY -= sy;
            }
        }
    }

    core::Ref<TColEvent> e = TColEvent::CreateOfKind(
        TColEvent::MASS_MASS, a, b, (a->posX + b->posX) * 0.5f, (a->posY + b->posY) * 0.5f, -p);
    TColEvent::Emit(e);
    return true;
}

} // namespace kel::tangle
