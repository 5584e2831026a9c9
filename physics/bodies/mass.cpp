#include "physics/mass.h"

#include <cmath>

#include "core/detail/block_pool.h"
#include "physics/colevent.h"
#include "physics/contacts/contact.h"
#include "physics/zones/degmath.h"
#include "physics/step/finite.h"
#include "physics/bodies/mass_extras.h"
#include "physics/grid/grid.h"
#include "physics/sleep/sleep.h"
#include "physics/step/step_context.h"
#include "physics/drawing/view_state.h"
#include "physics/world.h"

namespace kel::tangle {

void* TMass::operator new(std::size_t size) { return core::PooledNew<TMass>(size); }
void TMass::operator delete(void* p, std::size_t size) noexcept {
    core::PooledDelete<TMass>(p, size);
}

// A pass over a large world's masses reads them from memory: two cache
// lines a mass at most (one where pointers are 4 bytes), the first with
// what the step reads most.
static_assert(sizeof(TMass) <= 128, "a mass is at most two cache lines");


int TakeAutoColGroup() { return nextColGroup--; }

TMass::~TMass() {
    // The cell does not own the mass: take it out so no walk meets it again.
    if (gridlink.cell) gridlink.cell->Unlink(this);
    detail::ForgetMass(this);
}

TAdvBody* TMass::GetBody() const { return detail::BodyOf(this); }

TUserData TMass::GetUserData() const { return detail::UserDataOf(this); }

int TMass::SetUserData(const TUserData& data) {
    detail::SetUserDataOf(this, data);
    return 0;
}

int TMass::AddToGrid() {
    // Into the grid of the world the mass is in, or of the current world.
    TPhysics* w = InWorld() ? detail::WorldOf(this) : currentWorld.Get();
    if (w && !InWorld()) w->shiftgrid->NoteStranger();
    detail::Rebin(this, w);
    return 0;
}

core::Ref<TMass> TMass::Create(float x, float y, float mass, float radius, float friction,
                               int colGroup) {
    if (!detail::AllFinite(x, y, mass, radius, friction)) return nullptr;
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
    m->bullet = bullet;
    m->index = index;
    return m;
}

int TMass::SetName(const std::string& text) {
    name = text;
    return 0;
}

int TMass::Move(float dx, float dy) {
    if (!detail::AllFinite(dx, dy)) return -1;
    if (frozen) return 0;
    detail::WakeIslandOf(this);
    posX += dx;
    posY += dy;
    return 0;
}

int TMass::Translate(float dx, float dy) {
    if (!detail::AllFinite(dx, dy)) return -1;
    detail::WakeIslandOf(this);
    posX += dx;
    posY += dy;
    oldPosX += dx;
    oldPosY += dy;
    return 0;
}

int TMass::Position(float x, float y) {
    if (!detail::AllFinite(x, y)) return -1;
    detail::WakeIslandOf(this);
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
    if (!detail::AllFinite(m)) return -1;
    mass = m;
    return 0;
}

int TMass::SetRadius(float r) {
    if (!detail::AllFinite(r)) return -1;
    radius = r;
    return 0;
}

int TMass::SetFriction(float f) {
    if (!detail::AllFinite(f)) return -1;
    friction = Clamp01(f);
    return 0;
}

int TMass::Freeze() {
    detail::WakeIslandOf(this);
    oldPosX = posX;
    oldPosY = posY;
    frozen = 1;
    return 0;
}

int TMass::Thaw() {
    detail::WakeIslandOf(this);
    frozen = 0;
    return 0;
}

int TMass::SetBullet(int on) {
    bullet = on != 0 ? 1 : 0;
    return 0;
}

int TMass::SetVelocity(float vx, float vy) {
    if (!detail::AllFinite(vx, vy)) return -1;
    if (frozen) return 0;
    detail::WakeIslandOf(this);
    oldPosX = posX - vx;
    oldPosY = posY - vy;
    return 0;
}

int TMass::AddVelocity(float vx, float vy) {
    if (!detail::AllFinite(vx, vy)) return -1;
    if (frozen) return 0;
    detail::WakeIslandOf(this);
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

bool TMass::Resolve(TMass* b) { return detail::ResolveMasses(detail::TStepContext{}, this, b); }

namespace detail {

bool ResolveMasses(const TStepContext& step, TMass* a, TMass* b) {
    TContactPoint at;
    if (!ResolveOverlap(step.shock, a, b, at)) return false;
    if (step.sleepLog) step.sleepLog->NoteContact(a, b);
    ReportContact(step, {TColEvent::MASS_MASS, a, b, at.x, at.y, at.force});
    return true;
}

} // namespace detail

} // namespace kel::tangle
