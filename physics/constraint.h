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

class TConstraint final : public core::Object {
  public:
    /// From a pool of their own: the step sweeps over every constraint in each pass.
    static void* operator new(std::size_t size);
    static void operator delete(void* p, std::size_t size) noexcept;

    /// What each pass reads comes first.
    std::array<core::Ref<TMass>, 2> m; ///< first and second mass
    float restLength = 0;
    float stiffness = 0;
    core::TLink* link = nullptr; ///< in constraintList; owned by the list
    int refCounter = 0;          ///< bodies it is assigned to
    int index = 0;
    std::string name;

    static bool IsKind(const core::Object* o) { return typeid(*o) == typeid(TConstraint); }

    /// None when either mass is none.
    static core::Ref<TConstraint> Create(TMass* m1, TMass* m2, float restLength, float stiffness);

    int SetName(const std::string& text);
    std::string GetName() const { return name; }
    int Assign(TBody* body);
    int Free(TBody* body);
    TMass* GetMass1() const { return m[0].Get(); }
    TMass* GetMass2() const { return m[1].Get(); }
    /// Stores f if f > 0, otherwise the current distance of the masses.
    int SetRestLength(float f);
    float GetRestLength() const { return restLength; }
    int SetStiffness(float f);
    float GetStiffness() const { return stiffness; }
    float GetAngle() const;
    float GetLength() const;
    /// Length over rest length. With a rest length of 0 the ratio has no
    /// value; the stress is then 1 + length, so 1 while the masses still
    /// coincide and growing with their distance.
    float GetStress() const;
    /// A line between the masses through the world view.
    int Draw() const;
    /// One relaxation step towards the rest length.
    int Satisfy();
    int AddRef();
    int SubRef();
};

} // namespace kel::tangle
