#pragma once
// TConstraint: a distance constraint between two masses, or a pressure
// constraint over a closed ring of masses. It enters the world through the
// bodies it is assigned to, and brings its masses in with it.

#include <array>
#include <cstddef>
#include <string>
#include <typeinfo>
#include <vector>

#include "core/list.h"
#include "core/object.h"
#include "physics/mass.h"

namespace kel::tangle {

class TBody;

namespace detail {
struct TConstraintSolver;
struct TConstraintState;
}

/// A distance constraint between two masses: each relaxation pass of the step moves them
/// `stiffness` of the way back to `restLength`, sharing the move by their masses (a frozen mass
/// does not move). It takes part in the simulation while at least one body holds it, and keeps its
/// masses in the world meanwhile.
///
/// **Stiffness of the material.** A stiffness is a fraction per pass, so the same constraint is
/// softer at 1 pass than at 8. Given a compliance instead (SetCompliance), a constraint behaves as a
/// spring of the material: under a steady pull F (mass times world units per step squared) it
/// stretches by compliance x F, whatever the world's passes and substeps, once the passes are
/// enough to carry the load (see the guide's soft-body chapter).
///
/// **Pressure.** A pressure constraint (CreatePressure) holds the area that a closed ring of masses
/// encloses: while the area is below its rest area, each pass pushes the ring outwards along its
/// normals in proportion to the shortfall, like the gas in a balloon; above it, it leaves the ring to
/// its other constraints. For such a constraint, the rest length is the rest area, the length
/// (GetLength) is the enclosed area, and the first and second mass are the ring's first two.
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
    /// A pressure constraint over the closed ring of masses, in order round the ring (either
    /// way): it pushes the ring outwards while its area is below `restArea` (square world units; 0
    /// or less takes the ring's current area), correcting `stiffness` of the shortfall per pass.
    /// None for fewer than 3 masses, a none among them, or a mass named twice.
    static core::Ref<TConstraint> CreatePressure(const std::vector<TMass*>& ring, float restArea,
                                                 float stiffness);

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
    /// Stores f if f > 0, otherwise the current distance of the masses (for pressure: the
    /// enclosed area).
    int SetRestLength(float f);
    /// The rest length.
    float GetRestLength() const { return restLength; }
    /// Sets the stiffness, 0 ... 1. Returns 0.
    int SetStiffness(float f);
    /// The stiffness.
    float GetStiffness() const { return stiffness; }
    /// Makes the stiffness a property of the material: c >= 0 is the compliance, world units of
    /// stretch per unit of force (mass x world units per step squared; for pressure, square units
    /// of area per unit of pressure). 0 is rigid; 0.01 ... 0.1 is a firm rubber for masses of 1,
    /// 1 ... 10 a soft jelly. The per-pass stiffness is then unused. `dampingRatio` damps the
    /// spring's own ringing: 0 leaves it (a soft spring then rings for long), 1 is about critical,
    /// negative counts as 0. A negative or not-a-number c returns to the per-pass stiffness (the
    /// default). Returns 0.
    int SetCompliance(float c, float dampingRatio);
    /// The compliance, or -1 while the per-pass stiffness is used.
    float GetCompliance() const { return compliance_; }
    /// The damping ratio of a compliant constraint.
    float GetDampingRatio() const { return damping_; }
    /// 1 for a pressure constraint, 0 for a distance constraint.
    int IsPressure() const { return ring_.empty() ? 0 : 1; }
    /// The masses of a pressure constraint's ring; 0 for a distance constraint.
    int GetRingSize() const { return static_cast<int>(ring_.size()); }
    /// The k-th mass round a pressure constraint's ring, or null.
    TMass* GetRingMass(int k) const;
    /// Whether the constraint acts on the mass (one of its two, or of its ring).
    bool Holds(const TMass* mass) const;
    /// Calls f(TMass*) for every mass the constraint acts on, once each (none included).
    template <class F> void ForEachMass(F&& f) const {
        if (ring_.empty()) {
            f(m[0].Get());
            f(m[1].Get());
        } else {
            for (const core::Ref<TMass>& r : ring_) f(r.Get());
        }
    }
    /// The direction from the first mass to the second, degrees (-180 ... 180, clockwise on
    /// screen).
    float GetAngle() const;
    /// The distance of the two masses; for pressure, the area the ring encloses (positive while it
    /// keeps the winding it was made with).
    float GetLength() const;
    /// Length over rest length. With a rest length of 0 the ratio has no
    /// value; the stress is then 1 + length, so 1 while the masses still
    /// coincide and growing with their distance.
    float GetStress() const;
    /// A line between the masses (for pressure, the ring's outline) through the world view.
    int Draw() const;
    /// One relaxation step towards the rest length (or rest area).
    int Satisfy();
    /// Counts one more body holding the constraint; the first brings it into the world. Returns 0.
    int AddRef();
    /// Counts one body fewer; at none it leaves the world. Returns 0.
    int SubRef();

  private:
    friend struct detail::TConstraintSolver;
    friend struct detail::TConstraintState; // world snapshots

    // A per-pass stiffness is in use while the compliance is negative.
    static constexpr float kPerPass = -1;

    std::vector<core::Ref<TMass>> ring_; // a pressure constraint's ring, else empty
    float compliance_ = kPerPass;
    float damping_ = 0;
    // With a compliance: the force applied in the current (sub)step so far,
    // as the multiplier of the constraint's gradient. The step resets it.
    float lambda_ = 0;
    // +1 or -1: the sign of the ring's area when it was made, so that the
    // area counts positive either way round.
    float winding_ = 1;

    // The change of the multiplier for an error `error` of the constraint
    // that changes at `rate` per (sub)step, whose masses weigh in at
    // `weight` (the sum of inverse masses times squared gradients): the
    // compliant solve with damping of extended position-based dynamics.
    float Multiplier(float error, float rate, float weight, float complianceScale) const;
};

} // namespace kel::tangle
