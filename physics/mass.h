#pragma once
// TMass: a point of the simulation, a circle moved by position Verlet steps.

#include <cstddef>
#include <cstdint>
#include <string>
#include <typeinfo>

#include "core/list.h"
#include "core/name.h"
#include "core/object.h"
#include "physics/user_data.h"

namespace kel::tangle {

class TAdvBody;
class TMass;
namespace detail {
class TGridCell;
struct TMassStepAccess;

// What only the step reads and writes on a mass: private to the library,
// reached through TMassStepAccess (physics/step/mass_step.h).
struct TMassStepState {
    // Marks the masses already visited by the current cell walk of the step,
    // so a walk can resume correctly after a hook took a mass out of its
    // cell. Written only when a contact is about to run hooks.
    std::uint32_t walkMark = 0;
    // Sleeping (TPhysics::SetSleep): the sleeping island the mass belongs
    // to, or -1 while awake.
    int sleepIsland = -1;
    // The steps in a row the mass has moved less than the sleep speed.
    int stillSteps = 0;
    // The mass's place among the masses the step moves.
    std::uint32_t stepSlot = 0;
};
} // namespace detail

/// A mass's place in its grid cell's list. Kept in the mass itself so that
/// moving a mass between cells relinks a few pointers and allocates nothing.
struct TGridLink {
    TMass* next = nullptr;             ///< the next mass of the cell, or null
    TMass* prev = nullptr;             ///< the previous mass of the cell, or null
    detail::TGridCell* cell = nullptr; ///< none while the mass is in no cell
};

/// The automatic collision group counter, shared with zones: -1 given as a
/// group takes the current value, which then counts down. Each world keeps
/// its own; this is the calling thread's current world's (a new world takes
/// on the value as it is, so groups never repeat on one thread).
inline thread_local int nextColGroup = -2;
/// Returns the next automatic group and advances the counter.
int TakeAutoColGroup();
/// A fresh collision group, shared with nothing made so far: give it to
/// every part that must not collide with the others (the masses of one
/// body), and nothing else will share it. The same as TakeAutoColGroup;
/// groups count down from -2 and never meet the groups you number
/// yourself from 1 up.
inline int NewColGroup() { return TakeAutoColGroup(); }

/// A point of the simulation: a circle moved by position Verlet steps, its
/// velocity the distance from its previous position (world units per step).
/// It takes part in the simulation while constraints hold it (see AddRef).
/// Setters return 0; those that take numbers return -1 and change nothing
/// when one is not finite (NaN or an infinity).
class alignas(64) TMass final : public core::Object {
  public:
    /// From a pool of their own: the step sweeps over every mass several times.
    static void* operator new(std::size_t size);
    /// Returns the mass's memory to the pool.
    static void operator delete(void* p, std::size_t size) noexcept;

    // What every pass reads for every mass (integration, bounds, the contact
    // response, re-binning and the world-membership test) comes first: with
    // the class aligned to a cache line it shares one line with the object's
    // own header.
    ///@{
    /// Position, world units.
    float posX = 0, posY = 0;
    ///@}
    ///@{
    /// Position a step ago, world units; the velocity is pos - oldPos.
    float oldPosX = 0, oldPosY = 0;
    ///@}
    /// Radius of the circle, world units.
    float radius = 0;
    /// Collision group, an integer held as a float: 0 collides with nothing,
    /// and masses and zones of the same group do not collide with each other.
    float colGroup = 0;
    /// The mass: of two touching masses, the heavier is pushed less.
    float mass = 0;
    /// Friction, 0 ... 1, averaged with what the mass touches.
    float friction = 0;
    /// Non-zero while frozen: not integrated, and not moved by contacts.
    int frozen = 0;
    ///@{
    /// The grid cell of the mass along each axis.
    int gridx = 0, gridy = 0;
    ///@}
    /// Non-zero for a bullet (SetBullet): swept against the masses it passes.
    int bullet = 0;
    core::TLink* link = nullptr; ///< in massList; owned by the list
    /// The mass's place in its grid cell.
    TGridLink gridlink;
    /// Constraints holding the mass; it is in the world while above 0.
    int refCounter = 0;
    /// Slot in its TAdvBody's mass table, -1 for none.
    int index = -1;

  private:
    friend struct detail::TMassStepAccess;
    // Declared here rather than last, so that the fields the step touches
    // keep to the same cache lines.
    detail::TMassStepState step_;

  public:
    /// The name; masses of one name share its text.
    core::TName name;

    /// An empty mass, at the origin and in no world.
    TMass() = default;
    /// Leaves its grid cell, so no walk meets it again.
    ~TMass() override;

    /// Exact class test: TMass is final, so comparing the dynamic type is enough.
    /// The type record is normally the very one of this class, which a pointer
    /// compare settles without comparing names.
    static bool IsKind(const core::Object* o) {
        const std::type_info& t = typeid(*o);
        return &t == &typeid(TMass) || t == typeid(TMass);
    }

    /// A mass at rest at (x, y), world units, named "Mass"; friction is
    /// clamped to 0 ... 1 and a group of -1 takes a fresh automatic group.
    /// It enters the world only when a constraint holds it. None when a
    /// number is not finite.
    [[nodiscard]] static core::Ref<TMass> Create(float x, float y, float mass, float radius,
                                                 float friction, int colGroup);
    /// A mass with the same name, position, velocity, settings and table slot,
    /// in no world and no cell. Never none.
    [[nodiscard]] core::Ref<TMass> Copy() const;

    /// Sets the name. Returns 0.
    int SetName(const std::string& text);
    /// The name.
    std::string GetName() const { return name; }

    /// Moves the mass by (dx, dy), world units, leaving its previous position
    /// behind: the move adds to its velocity. Returns 0; a frozen mass stays.
    /// -1 (nothing changed) for a value that is not finite.
    int Move(float dx, float dy);
    /// Moves the mass by (dx, dy), world units, keeping its velocity. Returns
    /// 0; -1 (nothing changed) for a value that is not finite.
    int Translate(float dx, float dy);
    /// Puts the mass at (x, y), world units, at rest. Returns 0; -1 (nothing changed) for a value
    /// that is not finite.
    int Position(float x, float y);
    /// X of the position, world units.
    float GetPositionX() const { return posX; }
    /// Y of the position, world units.
    float GetPositionY() const { return posY; }
    /// Writes the position, world units. Returns 0.
    int GetPosition(float& x, float& y) const;
    /// X of the position, world units.
    float GetX() const { return posX; }
    /// Y of the position, world units.
    float GetY() const { return posY; }

    /// Sets the mass. Returns 0; -1 (nothing changed) for a value that is not finite.
    int SetMass(float m);
    /// The mass.
    float GetMass() const { return mass; }
    /// Sets the radius, world units. Returns 0; -1 (nothing changed) for a value that is not
    /// finite.
    int SetRadius(float r);
    /// The radius, world units.
    float GetRadius() const { return radius; }
    /// Sets the friction, clamped to 0 ... 1. Returns 0; -1 (nothing changed) for a value that is
    /// not finite.
    int SetFriction(float f);
    /// The friction.
    float GetFriction() const { return friction; }

    /// Stops the mass and holds it where it is. Returns 0.
    int Freeze();
    /// Lets a frozen mass move again. Returns 0.
    int Thaw();
    /// 1 while frozen, 0 otherwise.
    int IsFrozen() const { return frozen; }

    /// Non-zero makes the mass a bullet: in a world with continuous collision
    /// on (TPhysics::SetContinuous), a step that moves it farther than half its
    /// radius sweeps its disc along the way against the other masses too, not
    /// only against zones and frozen masses, so that it cannot cross a chain
    /// or a soft body's rim in one step. Costs a walk of the cells along its
    /// path for each such step. Returns 0.
    int SetBullet(int on);
    /// 1 for a bullet, 0 otherwise.
    int IsBullet() const { return bullet != 0 ? 1 : 0; }

    /// Sets the velocity, world units per step. Returns 0; a frozen mass stays.
    /// -1 (nothing changed) for a value that is not finite.
    int SetVelocity(float vx, float vy);
    /// Adds to the velocity, world units per step. Returns 0; a frozen mass stays.
    /// -1 (nothing changed) for a value that is not finite.
    int AddVelocity(float vx, float vy);
    /// Horizontal velocity, world units per step.
    float GetVelocityX() const { return posX - oldPosX; }
    /// Vertical velocity, world units per step.
    float GetVelocityY() const { return posY - oldPosY; }
    /// Horizontal velocity, world units per step.
    float GetVX() const { return posX - oldPosX; }
    /// Vertical velocity, world units per step.
    float GetVY() const { return posY - oldPosY; }
    /// Speed, world units per step.
    float GetVelocity() const;

    /// The collision group.
    int GetColGroup() const;
    /// Sets the collision group; -1 takes a fresh automatic group. Returns 0.
    int SetColGroup(int group);
    /// 1 while a constraint holds the mass, 0 otherwise.
    int IsActive() const { return refCounter > 0 ? 1 : 0; }
    /// Slot in its TAdvBody's mass table, -1 for none.
    int GetIndex() const { return index; }
    /// The advanced body whose mass table holds the mass in slot GetIndex(),
    /// or null: the way from a contact or a query's hit to a body.
    TAdvBody* GetBody() const;
    /// The program's own data on the mass (see TUserData).
    TUserData GetUserData() const;
    /// Keeps the program's own data on the mass. Returns 0.
    int SetUserData(const TUserData& data);
    /// A filled circle through the world view, drawn unrotated. Returns 0;
    /// draws nothing without graphics.
    int Draw() const;

    /// World membership, driven by the constraints that hold the mass: the
    /// first holder brings the mass into the world's list and grid (without a
    /// world the count still records it). Returns 0.
    int AddRef();
    /// Puts the mass into the grid cell of its position. Returns 0.
    int AddToGrid();
    /// Drops a holder; with the last one the mass leaves its cell and the
    /// world's list. Returns 0.
    int SubRef();

    /// Resolves an overlap with another mass and emits its collision event,
    /// as a contact outside the world's step (no stacking rule applies, and
    /// sleeping islands are not told). Returns 0; does nothing for none.
    int Collide(TMass* other);
    /// The same; tells whether there was a contact (and so an event).
    bool Resolve(TMass* other);

    /// Whether the mass is in the world's mass list.
    bool InWorld() const { return link != nullptr; }
    /// 1 unless the mass sleeps with its island (see TPhysics::SetSleep).
    int IsAwake() const { return step_.sleepIsland < 0 ? 1 : 0; }
};

} // namespace kel::tangle
