#pragma once
// What the world's step needs from a static collision zone. The zone class
// derives from this and supplies the contact test; the step only reads the
// group and calls Collide for each free mass.

#include <typeinfo>

#include "core/list.h"
#include "core/object.h"
#include "physics/user_data.h"

namespace kel::tangle {

class TMass;

/// A mass's disc swept along a straight path, for continuous collision
/// (TPhysics::SetContinuous): its centre goes from (x, y) by (dx, dy).
struct TSweptDisc {
    ///@{
    /// Where the centre starts.
    float x, y;
    ///@}
    ///@{
    /// How far the centre goes.
    float dx, dy;
    ///@}
    /// The disc's radius.
    float radius;
};

/// Where a swept disc first touches something on its path.
struct TTouch {
    float t = 2; ///< the fraction of the path; beyond 1 while nothing is touched
    ///@{
    /// The unit normal, pointing from what was touched back at the disc.
    float nx = 0, ny = 0;
    ///@}
    ///@{
    /// The point touched.
    float x = 0, y = 0;
    ///@}
    /// How far the centre is from that point at the touch (the radius, unless
    /// the disc started overlapping what it touched).
    float reach = 0;
};

/// What a zone's FirstTouch found along a swept disc's path.
enum class TSweepFound {
    /// Its matter is nowhere near the box around the path: a contact test
    /// anywhere on the path, its end included, finds nothing.
    Clear,
    /// Near the path, but no touch earlier than the one given.
    Near,
    /// A touch earlier than the one given, which it replaced.
    Touch,
};

/// What the step needs of a static zone (see the file's notes). TZone is the zone class.
class TZoneBase : public core::Object {
  public:
    int colGroup = -1;           ///< 0 collides with nothing
    core::TLink* link = nullptr; ///< in zoneList; owned by the list

    /// The program's own data on the zone (see TUserData).
    const TUserData& GetUserData() const { return userData_; }
    /// Keeps the program's own data on the zone. Returns 0.
    int SetUserData(const TUserData& data) {
        userData_ = data;
        return 0;
    }

    /// Contact test of one mass against this zone: resolves it and emits the
    /// event. Returns 0.
    virtual int Collide(TMass* mass) = 0;
    /// True when Collide runs no code from outside the library and moves
    /// nothing but the mass it is given; the step can then rely on where the
    /// other masses are.
    virtual bool MovesOnlyItsMass() const { return false; }
    /// Continuous collision: where the disc swept along `path` first touches
    /// the zone's matter, if earlier than touch.t, which it then replaces;
    /// reads nothing but the zone. A zone that answers Clear is not tested
    /// again where the swept mass ends. By default Near: never touched, always
    /// tested.
    virtual TSweepFound FirstTouch(const TSweptDisc& path, TTouch& touch) const {
        (void)path;
        (void)touch;
        return TSweepFound::Near;
    }
    /// The contact of a mass that a sweep found touching the zone at
    /// `touch` and that has gone on to where it is now: resolves it and
    /// emits the event, as Collide does. Returns 0.
    virtual int CollideSwept(TMass* mass, const TSweptDisc& path, const TTouch& touch) {
        (void)mass;
        (void)path;
        (void)touch;
        return 0;
    }

    /// Class test for list walks: the zone list holds TZone in practice,
    /// which is one compare; other classes are cast. Defined in zone.h.
    static bool IsKind(const core::Object* o);

  private:
    TUserData userData_;
};

} // namespace kel::tangle
