#pragma once
// The numbers by which the C interface names settings, properties and
// operations, in one place; js/package/index.js mirrors them in its table
// `code`, and the package's tests fail when the two drift.

namespace js_binding {

enum TWorldSetting {
    kSetGravity, kSetPasses, kSetFriction, kSetBounds, kSetStacking, kSetSleep,
    kSetContinuous, kSetTrackContacts, kSetCellSize, kSetThreads
};
enum TWorldReading {
    kGravityX, kGravityY, kPasses, kFriction, kStacking, kSleepSpeed, kSleepSteps, kContinuous,
    kTrackContacts, kCellSize, kThreads, kMassCount, kConstraintCount, kZoneCount, kAwakeCount,
    kNonFiniteCount, kBoundsLeft, kBoundsTop, kBoundsRight, kBoundsBottom
};
enum TMassReading {
    kMassX, kMassY, kMassVX, kMassVY, kMassMass, kMassRadius, kMassFriction, kMassGroup,
    kMassFrozen, kMassBullet, kMassAwake, kMassInWorld
};
enum TMassChange {
    kMassMoveTo, kMassSetVelocity, kMassPush, kMassTranslate, kMassSetMass, kMassSetRadius,
    kMassSetFriction, kMassSetGroup, kMassSetFrozen, kMassSetBullet, kMassAddVelocity
};
enum TConstraintReading {
    kConKind, kConRestLength, kConStiffness, kConCompliance, kConDamping, kConLength, kConStress,
    kConInWorld, kConLowerLimit, kConUpperLimit
};
enum TConstraintChange { kConSetRestLength, kConSetStiffness, kConSetCompliance, kConSetLimits };
// Constraints over a ring of masses (tg_ring).
enum TRingKind { kRingPressure, kRingShape, kRingSkin };
enum TZoneReading {
    kZoneStyle, kZoneFriction, kZoneX, kZoneY, kZoneAngle, kZoneScaleX, kZoneScaleY, kZoneGroup,
    kZoneVertices, kZoneInWorld
};
enum TZoneChange { kZoneMoveTo, kZoneRotate, kZoneScale, kZoneSetFriction, kZoneSetGroup, kZoneSetStyle };
enum TBuilder { kBuildRope, kBuildCloth, kBuildJelly, kBuildBlob, kBuildShape };
enum TBodyAction { kBodyTranslate, kBodyPush, kBodyMoveTo, kBodyRotateTo, kBodyTurn, kBodySpin, kBodyTear };
enum TBodyReading { kBodyX, kBodyY, kBodyRotation };
// What tg_remove takes out, and what tg_save and tg_load write and read.
enum TThingKind { kKindMass, kKindConstraint, kKindZone, kKindBody, kKindSnapshot };
enum TFileKind { kWorldFile, kBodyFile, kZoneFile };
// The views of draw_calls.cpp.
enum TDrawView { kViewPositions, kViewRadii, kViewPairs };
// What a query or a contact found: the kind before each handle.
enum TFound { kFoundMass = 1, kFoundZone = 2, kFoundBounds = 3 };

} // namespace js_binding
