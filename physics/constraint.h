#pragma once
// TConstraint: a distance constraint between two masses. It enters the world
// through the bodies it is assigned to, and brings its masses in with it.

#include <array>
#include <cstddef>
#include <string>
#include <typeinfo>

#include "core/list.h"
#include "core/object.h"
#include "physics/mass.h"

namespace kel::tangle {

class TBody;

/// A distance constraint between two masses: each relaxation pass of the step moves them
/// `stiffness` of the way back to `restLength`, sharing the move by their masses (a frozen mass
/// does not move). It takes part in the simulation while at least one body holds it, and keeps its
/// masses in the world meanwhile.
class TConstraint final : public core::Object {
  public:
    /// From a pool of their own: the step sweeps over every constraint in each pass.
    static void* operator new(std::size_t size);
    /// Returns the constraint's memory to the pool.
    static void operator delete(void* p, std::size_t size) noexcept;

    // What each pass reads comes first.
    std::array<core::Ref<TMass>, 2> m; ///< first and second mass
    /// The distance the constraint restores, world units.
    float restLength = 0;
    /// How much of the error one pass corrects, 0 ... 1.
    float stiffness = 0;
    core::TLink* link = nullptr; ///< in constraintList; owned by the list
    int refCounter = 0;          ///< bodies it is assigned to
    /// Slot in its TAdvBody's constraint table.
    int index = 0;
    /// The name.
    std::string name;

    /// Exact class test for list walks.
    static bool IsKind(const core::Object* o) { return typeid(*o) == typeid(TConstraint); }

    /// None when either mass is none.
    static core::Ref<TConstraint> Create(TMass* m1, TMass* m2, float restLength, float stiffness);

    /// Sets the name. Returns 0.
    int SetName(const std::string& text);
    /// The name.
    std::string GetName() const { return name; }
    /// Assigns the constraint to the body: the first body brings it and its masses into the world.
    /// Returns 0; nothing when already assigned there.
    int Assign(TBody* body);
    /// Frees the constraint from the body: with the last body it leaves the world, and masses no
    /// other constraint holds leave too. Returns 0.
    int Free(TBody* body);
    /// The first mass.
    TMass* GetMass1() const { return m[0].Get(); }
    /// The second mass.
    TMass* GetMass2() const { return m[1].Get(); }
    /// Stores f if f > 0, otherwise the current distance of the masses.
    int SetRestLength(float f);
    /// The rest length.
    float GetRestLength() const { return restLength; }
    /// Sets the stiffness, 0 ... 1. Returns 0.
    int SetStiffness(float f);
    /// The stiffness.
    float GetStiffness() const { return stiffness; }
    /// The direction from the first mass to the second, degrees (-180 ... 180, clockwise on
    /// screen).
    float GetAngle() const;
    /// The distance of the two masses.
    float GetLength() const;
    /// Length over rest length. With a rest length of 0 the ratio has no
    /// value; the stress is then 1 + length, so 1 while the masses still
    /// coincide and growing with their distance.
    float GetStress() const;
    /// A line between the masses through the world view.
    int Draw() const;
    /// One relaxation step towards the rest length.
    int Satisfy();
    /// Counts one more body holding the constraint; the first brings it into the world. Returns 0.
    int AddRef();
    /// Counts one body fewer; at none it leaves the world. Returns 0.
    int SubRef();
};

} // namespace kel::tangle
