#pragma once
// TConstraint: a distance constraint between two masses, a pressure
// constraint over a closed ring of masses, an angle constraint over three,
// or a shape-matching constraint over a set. It enters the world through the
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
struct TConstraintRecord;
class TSkinContacts;
} // namespace detail

/// A distance constraint between two masses: each relaxation pass of the step moves them
/// `stiffness` of the way back to `restLength`, sharing the move by their masses (a frozen mass
/// does not move). It takes part in the simulation while at least one body holds it, and keeps its
/// masses in the world meanwhile.
///
/// **Stiffness of the material.** A stiffness is a fraction per pass, so the same constraint is
/// softer at 1 pass than at 8. Given a compliance instead (SetCompliance), a constraint behaves as
/// a spring of the material: under a steady pull F (mass times world units per step squared) it
/// stretches by compliance x F, whatever the world's passes and substeps, once the passes are
/// enough to carry the load (see the guide's soft-body chapter).
///
/// **Pressure.** A pressure constraint (CreatePressure) holds the area that a closed ring of masses
/// encloses: while the area is below its rest area, each pass pushes the ring outwards along its
/// normals in proportion to the shortfall, like the gas in a balloon; above it, it leaves the ring
/// to its other constraints. For such a constraint, the rest length is the rest area, the length
/// (GetLength) is the enclosed area, and the first and second mass are the ring's first two.
///
/// **Angle.** An angle constraint (CreateAngle) holds the angle at the middle of three masses,
/// measured from the arm to the first mass round to the arm to the last, 0 ... 360 degrees
/// (counter-clockwise with y up, so clockwise on screen, where y grows downwards; a straight line
/// is 180). It gives ropes and cloth resistance to bending. With limits (SetAngleLimits) it is a
/// hinge with stops: it never lets the angle out of them, whatever its stiffness. Its rest length
/// is the rest angle and its length the angle, degrees; its first and second mass are the first and
/// the middle one.
///
/// **Shape.** A shape-matching constraint (CreateShape) pulls a set of masses towards their rest
/// shape (their places when it was made) as that shape best fits where they are now: moved and
/// turned, never stretched. It keeps concave forms (a star, a letter, a limb) that links and
/// pressure cannot. Its length is how far the masses are from that fit (the root mean square
/// distance, world units) and its rest length is 0; its first and second mass are the set's
/// first two.
///
/// **Skin.** A skin (CreateSkin) makes the edges between masses in a chain or a closed ring
/// solid: any other mass that comes within its radius of an edge, or gets inside a closed skin, is
/// pushed out through the nearest edge, the edge's two masses taking their share of the push and of
/// the friction along the edge. It moves nothing itself: it only collides. Its length is the length
/// of its outline.
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

    /// What a constraint holds.
    enum Kind {
        DISTANCE, ///< the distance of two masses (Create)
        PRESSURE, ///< the area a closed ring encloses (CreatePressure)
        ANGLE,    ///< the angle at the middle of three masses (CreateAngle)
        SHAPE,    ///< the rest shape of a set of masses (CreateShape)
        SKIN,     ///< solid edges between masses in a chain or a ring (CreateSkin)
    };

    /// Exact class test for list walks.
    static bool IsKind(const core::Object* o) { return typeid(*o) == typeid(TConstraint); }

    /// None when either mass is none, or a number is not finite.
    static core::Ref<TConstraint> Create(TMass* m1, TMass* m2, float restLength, float stiffness);
    /// A pressure constraint over the closed ring of masses, in order round the ring (either
    /// way): it pushes the ring outwards while its area is below `restArea` (square world units; 0
    /// or less takes the ring's current area), correcting `stiffness` of the shortfall per pass.
    /// None for fewer than 3 masses, a none among them, a mass named twice, or a number that is
    /// not finite.
    static core::Ref<TConstraint> CreatePressure(const std::vector<TMass*>& ring, float restArea,
                                                 float stiffness);
    /// An angle constraint that holds the angle at `middle` between the arms to `first` and to
    /// `last` at `restAngle` degrees (0 ... 360, see the class comment; 0 or less takes the angle
    /// as built), correcting `stiffness` (0 ... 1) of the error per pass. A stiffness of 0 holds
    /// nothing but the limits. None for a none among them, a mass named twice, or a number that
    /// is not finite.
    static core::Ref<TConstraint> CreateAngle(TMass* first, TMass* middle, TMass* last,
                                              float restAngle, float stiffness);
    /// A shape-matching constraint over `masses` (3 or more), whose rest shape is where they are
    /// now. Each pass moves every mass `stiffness` (0 ... 1) of the way to its place in the rest
    /// shape as it best fits the masses' present places (the fit weighs them by their mass).
    /// None for fewer than 3 masses, a none among them, a mass named twice, or a stiffness that
    /// is not finite.
    static core::Ref<TConstraint> CreateShape(const std::vector<TMass*>& masses, float stiffness);
    /// A skin over `masses`, in order along it: the edges between neighbours (and with `closed`,
    /// from the last back to the first) become solid for every mass that may collide with the
    /// skin's masses (collision groups as for mass contacts; a mass of the skin never touches it).
    /// A closed skin is a ring, in order round it (either way), and nothing gets inside it; an open
    /// one is a chain, for ropes and cloth edges. None for fewer than 2 masses (3 when closed), a
    /// none among them, or a mass named twice.
    static core::Ref<TConstraint> CreateSkin(const std::vector<TMass*>& masses, bool closed);

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
    /// enclosed area; for an angle: the angle, kept within 0 ... 360). A shape takes the masses'
    /// present places as its rest shape, whatever f is. Returns 0; -1 (nothing changed) for a value
    /// that is not finite.
    int SetRestLength(float f);
    /// The rest length.
    float GetRestLength() const { return restLength; }
    /// Sets the stiffness, 0 ... 1. Returns 0; -1 (nothing changed) for a value that is not finite.
    int SetStiffness(float f);
    /// The stiffness.
    float GetStiffness() const { return stiffness; }
    /// Makes the stiffness a property of the material: c >= 0 is the compliance, world units of
    /// stretch per unit of force (mass x world units per step squared; for pressure, square units
    /// of area per unit of pressure). 0 is rigid; 0.01 ... 0.1 is a firm rubber for masses of 1,
    /// 1 ... 10 a soft jelly. The per-pass stiffness is then unused. `dampingRatio` damps the
    /// spring's own ringing: 0 leaves it (a soft spring then rings for long), 1 is about critical,
    /// negative counts as 0. A negative c returns to the per-pass stiffness (the default).
    /// Returns 0; -1 (nothing changed) when either number is not finite.
    int SetCompliance(float c, float dampingRatio);
    /// The compliance, or -1 while the per-pass stiffness is used.
    float GetCompliance() const { return compliance_; }
    /// The damping ratio of a compliant constraint.
    float GetDampingRatio() const { return damping_; }
    /// What the constraint holds.
    Kind GetKind() const { return kind_; }
    /// 1 for a pressure constraint, else 0.
    int IsPressure() const { return kind_ == PRESSURE ? 1 : 0; }
    /// Limits an angle constraint to `lower` ... `upper` degrees (0 ... 360, lower <= upper):
    /// beyond them it corrects the whole error in every pass, like a hinge's stops. 0 and 360 (the
    /// default) is no limit. Returns 0; -1 (and changes nothing) for another kind, or limits out of
    /// order, out of range or not finite.
    int SetAngleLimits(float lower, float upper);
    /// An angle constraint's limits, degrees; 0 and 360 for none (and for another kind).
    void GetAngleLimits(float& lower, float& upper) const;
    /// 1 for a closed skin (a ring), else 0.
    int IsClosed() const { return kind_ == SKIN && params_[0] != 0 ? 1 : 0; }
    /// The masses of a constraint over more than two (the ring of a pressure constraint, the first,
    /// middle and last of an angle, the set of a shape, the masses of a skin, even two); 0 for a
    /// distance constraint.
    int GetRingSize() const { return static_cast<int>(ring_.size()); }
    /// The k-th of those masses, or null.
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
    /// keeps the winding it was made with); for an angle, the angle in degrees; for a shape, the
    /// root mean square distance of its masses from the best fit of their rest shape; for a skin,
    /// the length of its outline.
    float GetLength() const;
    /// Length over rest length. With a rest length of 0 the ratio has no
    /// value; the stress is then 1 + length, so 1 while the masses still
    /// coincide and growing with their distance.
    float GetStress() const;
    /// A line between the masses (for pressure, the ring's outline; for an angle, its two arms;
    /// for a shape, a line from each mass to its place in the fitted rest shape; for a skin, its
    /// edges) through the world view.
    int Draw() const;
    /// One relaxation step towards the rest length (or rest area).
    int Satisfy();
    /// Counts one more body holding the constraint; the first brings it into the world. Returns 0.
    int AddRef();
    /// Counts one body fewer; at none it leaves the world. Returns 0.
    int SubRef();
    /// The program's own data on the constraint (see TUserData).
    const TUserData& GetUserData() const { return userData_; }
    /// Keeps the program's own data on the constraint. Returns 0.
    int SetUserData(const TUserData& data) {
        userData_ = data;
        return 0;
    }

  private:
    friend struct detail::TConstraintSolver;
    friend struct detail::TConstraintState;  // world snapshots
    friend struct detail::TConstraintRecord; // files and copies
    friend class detail::TSkinContacts;

    // A per-pass stiffness is in use while the compliance is negative.
    static constexpr float kPerPass = -1;

    Kind kind_ = DISTANCE;
    // The masses of a constraint over more than two (see GetRingSize), else
    // empty.
    std::vector<core::Ref<TMass>> ring_;
    // What a kind needs beyond its masses: an angle's limits (lower, upper,
    // degrees); a shape's rest places about their weighted centre (x, y per
    // mass); a skin's closed flag (1 or 0).
    std::vector<float> params_;
    float compliance_ = kPerPass;
    float damping_ = 0;
    // With a compliance: the force applied in the current (sub)step so far,
    // as the multiplier of the constraint's gradient. The step resets it.
    float lambda_ = 0;
    // +1 or -1: the sign of the ring's area when it was made, so that the
    // area counts positive either way round.
    float winding_ = 1;

    // A constraint of a kind over more than two masses (all there, none
    // twice), named `name`.
    static core::Ref<TConstraint> CreateOver(Kind kind, const char* name,
                                             const std::vector<TMass*>& masses, float stiffness);

    // The change of the multiplier for an error `error` of the constraint
    // that changes at `rate` per (sub)step, whose masses weigh in at
    // `weight` (the sum of inverse masses times squared gradients): the
    // compliant solve with damping of extended position-based dynamics.
    float Multiplier(float error, float rate, float weight, float complianceScale) const;
    TUserData userData_; // last: the solve never reads it
};

} // namespace kel::tangle
