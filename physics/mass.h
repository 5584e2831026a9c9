#pragma once
// TMass: a point of the simulation, a circle moved by position Verlet steps.

#include <cstddef>
#include <cstdint>
#include <string>
#include <typeinfo>

#include "core/list.h"
#include "core/object.h"

namespace kel::tangle {

class TMass;
namespace detail {
class TGridCell;
}

// A mass's place in its grid cell's list. Kept in the mass itself so that
// moving a mass between cells relinks a few pointers and allocates nothing.
struct TGridLink {
    TMass* next = nullptr;
    TMass* prev = nullptr;
    detail::TGridCell* cell = nullptr; // none while the mass is in no cell
};

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

    // What every pass reads for every mass (integration, bounds, the contact
    // response, re-binning and the world-membership test) comes first: with
    // the class aligned to a cache line it shares one line with the object's
    // own header.
    float posX = 0, posY = 0;
    float oldPosX = 0, oldPosY = 0;
    float radius = 0;
    float colGroup = 0; // an integer held as a float
    float mass = 0;
    float friction = 0;
    int frozen = 0;
    int gridx = 0, gridy = 0;
    core::TLink* link = nullptr; // in massList; owned by the list
    TGridLink gridlink;
    int refCounter = 0;
    int index = -1;
    // Marks the masses already visited by the current cell walk of the step,
    // so a walk can resume correctly after a hook took a mass out of its cell.
    // Written only when a contact is about to run hooks.
    std::uint32_t walkMark = 0;
    // Sleeping (TPhysics::SetSleep): the sleeping island the mass belongs
    // to, or -1 while awake; the steps in a row it has moved less than the
    // sleep speed; its place among the masses the step moves.
    int sleepIsland = -1;
    int stillSteps = 0;
    std::uint32_t stepSlot = 0;
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
    // 1 unless the mass sleeps with its island (see TPhysics::SetSleep).
    int IsAwake() const { return sleepIsland < 0 ? 1 : 0; }
};

} // namespace kel::tangle
