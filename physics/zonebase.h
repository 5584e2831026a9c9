#pragma once
// What the world's step needs from a static collision zone. The zone class
// derives from this and supplies the contact test; the step only reads the
// group and calls Collide for each free mass.

#include <typeinfo>

#include "core/list.h"
#include "core/object.h"

namespace kel::tangle {

class TMass;

/// What the step needs of a static zone (see the file's notes). TZone is the zone class.
class TZoneBase : public core::Object {
  public:
    int colGroup = -1;           ///< 0 collides with nothing
    core::TLink* link = nullptr; ///< in zoneList; owned by the list

    /// Contact test of one mass against this zone: resolves it and emits the
    /// event. Returns 0.
    virtual int Collide(TMass* mass) = 0;
    /// True when Collide runs no code from outside the library and moves
    /// nothing but the mass it is given; the step can then rely on where the
    /// other masses are.
    virtual bool MovesOnlyItsMass() const { return false; }

    /// Class test for list walks: the zone list holds one concrete class in
    /// practice, so a remembered type makes the usual case one compare.
    static bool IsKind(const core::Object* o) {
        const std::type_info* type = &typeid(*o);
        if (type == knownZoneType_) return true;
        if (!dynamic_cast<const TZoneBase*>(o)) return false;
        knownZoneType_ = type;
        return true;
    }

  private:
    static inline const std::type_info* knownZoneType_ = nullptr;
};

} // namespace kel::tangle
