#pragma once
// TMass: a point of the simulation, a circle moved by position Verlet steps.

#include <cstddef>
#include <cstdint>
#include <string>
#include <typeinfo>

#include "core/list.h"
#include "core/object.h"
#include "physics/gridcell.h"

namespace kel::tangle {

// The module-wide automatic collision group counter, shared with zones:
// -1 given as a group takes the current value, which then counts down.
extern int nextColGroup;
// Returns the next automatic group and advances the counter.
int TakeAutoColGroup();

class alignas(64) TMass final : public core::Object {
  public:
    // From a pool of their own: the step sweeps over every mass several times.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;

    // The fields every pass reads for every mass (the cell walk, the bounds
    // and the world-membership test) come first: with the class aligned to a
    // cache line they share one line.
    float posX = 0, posY = 0;
    float radius = 0;
    float colGroup = 0; // an integer held as a float
    int frozen = 0;
    TGridLink gridlink;
    core::TLink* link = nullptr; // in massList; owned by the list
    float oldPosX = 0, oldPosY = 0;
    float mass = 0;
    float friction = 0;
    int gridx = 0, gridy = 0;
    int refCounter = 0;
    int index = -1;
    // Marks the masses already visited by the current cell walk of the step,
    // so a walk can resume correctly after a hook took a mass out of its cell.
    // Written only when a contact is about to run hooks.
    std::uint32_t walkMark = 0;
    std::string name;

    TMass() = default;
    ~TMass() override;

    // Exact class test: TMass is final, so comparing the dynamic type is enough.
    // The type record is normally the very one of this class, which a pointer
    // compare settles without comparing names.
    static bool IsKind(const core::Object* o) {
        const std::type_info& t = typeid(*o);
        return &t == &typeid(TMass) || t == typeid(TMass);
    }

    static core::Ref<TMass> Create(float x, float y, float mass, float radius, float friction,
                                   int colGroup);
    core::Ref<TMass> Copy() const;

    int SetName(const std::string& text);
    std::string GetName() const { return name; }

    int Move(float dx, float dy);
    int Translate(float dx, float dy);
    int Position(float x, float y);
    float GetPositionX() const { return posX; }
    float GetPositionY() const { return posY; }
    int GetPosition(float& x, float& y) const;
    float GetX() const { return posX; }
    float GetY() const { return posY; }

    int SetMass(float m);
    float GetMass() const { return mass; }
    int SetRadius(float r);
    float GetRadius() const { return radius; }
    int SetFriction(float f);
    float GetFriction() const { return friction; }

    int Freeze();
    int Thaw();
    int IsFrozen() const { return frozen; }

    int SetVelocity(float vx, float vy);
    int AddVelocity(float vx, float vy);
    float GetVelocityX() const { return posX - oldPosX; }
    float GetVelocityY() const { return posY - oldPosY; }
    float GetVX() const { return posX - oldPosX; }
    float GetVY() const { return posY - oldPosY; }
    float GetVelocity() const;

    int GetColGroup() const;
    int SetColGroup(int group);
    int IsActive() const { return refCounter > 0 ? 1 : 0; }
    int GetIndex() const { return index; }
    // A filled circle through the world view, drawn unrotated.
    int Draw() const;

    // World membership, driven by the constraints that hold the mass.
    int AddRef();
    int AddToGrid();
    int SubRef();

    // Resolves an overlap with another mass and emits its collision event.
    int Collide(TMass* other);
    // The same; tells whether there was a contact (and so an event).
    bool Resolve(TMass* other);

    bool InWorld() const { return link != nullptr; }
};

inline int TGridCell::Count() const {
    int n = 0;
    for (TMass* m = first_; m; m = m->gridlink.next) ++n;
    return n;
}

inline void TGridCell::Append(TMass* m) {
    m->gridlink.cell = this;
    m->gridlink.prev = last_;
    m->gridlink.next = nullptr;
    if (last_)
        last_->gridlink.next = m;
    else
        first_ = m;
    last_ = m;
}

inline void TGridCell::Unlink(TMass* m) {
    TGridLink& l = m->gridlink;
    if (l.prev)
        l.prev->gridlink.next = l.next;
    else
        first_ = l.next;
    if (l.next)
        l.next->gridlink.prev = l.prev;
    else
        last_ = l.prev;
    l = TGridLink{};
}

inline void TGridCell::DetachAll() {
    for (TMass* m = first_; m;) {
        TMass* next = m->gridlink.next;
        m->gridlink = TGridLink{};
        m = next;
    }
    first_ = last_ = nullptr;
}

} // namespace kel::tangle
