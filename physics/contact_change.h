#pragma once
// TContactChange: a pair that began or stopped touching in the last step
// (TPhysics::ContactBegins, TPhysics::ContactEnds).

#include "core/object.h"
#include "physics/colevent.h"
#include "physics/mass.h"
#include "physics/zone.h"

namespace kel::tangle {

/// A pair that began or stopped touching in the last step, compared with the
/// step before. The objects are held, so they stay valid as long as the
/// record does, even when they have left the world.
struct TContactChange {
    /// The kind of contact: TColEvent::MASS_MASS, MASS_ZONE or MASS_BOUNDS.
    int id = TColEvent::MASS_MASS;
    /// The mass that touches.
    core::Ref<TMass> mass;
    /// What it touches: the other mass or the zone; none for the bounds.
    core::Ref<core::Object> other;
    ///@{
    /// Where the pair touched, world units: for a beginning, the point of the
    /// step it began in; for an end, the last point of the step before.
    float x = 0, y = 0;
    ///@}

    /// The other mass, or null when the mass touched a zone or the bounds.
    TMass* GetMass2() const { return core::As<TMass>(other.Get()); }
    /// The zone touched, or null when the mass touched a mass or the bounds,
    /// as TColEvent::GetZone gives it (a zone class of a program's own is
    /// in `other`).
    TZone* GetZone() const { return core::As<TZone>(other.Get()); }
};

} // namespace kel::tangle
