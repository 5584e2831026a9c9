#pragma once
// The table of the library's procedural forms: one line per form, per class
// in this order: World, Mass, Con, Body, AdvBody, Rig, Zone, ColEvent. A form
// is named class word + operation and forwards to exactly one operation.
//
// Line kinds (parameter types only; a method's form takes the object first):
//   NEW(Word)                    WordCreate(): a new, empty object
//   FN(Result, Word, Op, types)  class function, returns its result
//   FN0(Word, Op, types)         class function, the form returns 0
//   M(Result, Word, Op, types)   method, returns its result
//   M0(Word, Op, types)          method, the form returns 0
//
// An overloaded operation has one line per overload. Operations that refuse a
// number that is not finite (returning -1) have M or FN lines, so that the
// refusal reaches the caller.

#define TANGLE_CLASS(Word) TANGLE_CLASS_##Word
#define TANGLE_CLASS_World TPhysics
#define TANGLE_CLASS_Mass TMass
#define TANGLE_CLASS_Con TConstraint
#define TANGLE_CLASS_Body TBody
#define TANGLE_CLASS_AdvBody TAdvBody
#define TANGLE_CLASS_Rig TRig
#define TANGLE_CLASS_Zone TZone
#define TANGLE_CLASS_ColEvent TColEvent

// clang-format off

#define TANGLE_WORLD_FORMS(NEW, FN, FN0, M, M0) \
    FN(core::Ref<TPhysics>, World, Create, float, float, float, float, int) \
    FN0(World, Update) \
    FN0(World, Free) \
    FN(int, World, SetGravity, float, float) \
    FN0(World, SetIterations, int) \
    FN(int, World, SetBounds, float, float, float, float) \
    FN0(World, GetBounds, float&, float&, float&, float&) \
    FN(int, World, SetFriction, float) \
    FN0(World, UseShiftedGrid, int) \
    FN0(World, SetGridSize, int) \
    FN0(World, SetStacking, int) \
    FN(int, World, GetStacking) \
    FN(int, World, SetSleep, float, int) \
    FN(int, World, AwakeCount) \
    FN0(World, TrackContacts, int) \
    FN(int, World, TracksContacts) \
    FN(const std::vector<TContactChange>&, World, ContactBegins) \
    FN(const std::vector<TContactChange>&, World, ContactEnds) \
    FN(int, World, SetDrawCoords, float, float) \
    FN(int, World, SetDrawZoom, float) \
    FN(int, World, SetDrawRotation, float) \
    FN0(World, UpdateTransform) \
    FN(float, World, MouseX) \
    FN(float, World, MouseY) \
    FN(float, World, SimX, float, float) \
    FN(float, World, SimY, float, float) \
    FN0(World, DrawImage, draw2d::TImage*, float, float, int) \
    FN0(World, DrawPoly, const std::vector<float>&, float, float) \
    FN0(World, DrawLine, float, float, float, float) \
    FN0(World, DrawOval, float, float, float, float) \
    FN0(World, DrawRect, float, float, float, float) \
    FN(float, World, ScreenX, float, float) \
    FN(float, World, ScreenY, float, float)

#define TANGLE_WORLD_QUERY_FORMS(NEW, FN, FN0, M, M0) \
    FN(bool, World, RayCast, float, float, float, float, TRayHit&, const TQueryFilter&) \
    FN(int, World, RayCastAll, float, float, float, float, TRayVisit, const TQueryFilter&) \
    FN(int, World, QueryBox, float, float, float, float, TQueryVisit, const TQueryFilter&) \
    FN(int, World, QueryPoint, float, float, TQueryVisit, const TQueryFilter&) \
    FN(TMass*, World, NearestMass, float, float, float, float&, const TQueryFilter&)

#define TANGLE_MASS_FORMS(NEW, FN, FN0, M, M0) \
    FN(core::Ref<TMass>, Mass, Create, float, float, float, float, float, int) \
    M(core::Ref<TMass>, Mass, Copy) \
    M0(Mass, SetName, const std::string&) \
    M(std::string, Mass, GetName) \
    M(int, Mass, Move, float, float) \
    M(int, Mass, Translate, float, float) \
    M(int, Mass, Position, float, float) \
    M(float, Mass, GetPositionX) \
    M(float, Mass, GetPositionY) \
    M0(Mass, GetPosition, float&, float&) \
    M(float, Mass, GetX) \
    M(float, Mass, GetY) \
    M(int, Mass, SetMass, float) \
    M(float, Mass, GetMass) \
    M(int, Mass, SetRadius, float) \
    M(float, Mass, GetRadius) \
    M(int, Mass, SetFriction, float) \
    M(float, Mass, GetFriction) \
    M0(Mass, Freeze) \
    M0(Mass, Thaw) \
    M(int, Mass, IsFrozen) \
    M(int, Mass, IsAwake) \
    M(int, Mass, SetVelocity, float, float) \
    M(int, Mass, AddVelocity, float, float) \
    M(float, Mass, GetVelocityX) \
    M(float, Mass, GetVelocityY) \
    M(float, Mass, GetVX) \
    M(float, Mass, GetVY) \
    M(float, Mass, GetVelocity) \
    M(int, Mass, GetColGroup) \
    M0(Mass, SetColGroup, int) \
    M0(Mass, Draw)

#define TANGLE_CON_FORMS(NEW, FN, FN0, M, M0) \
    FN(core::Ref<TConstraint>, Con, Create, TMass*, TMass*, float, float) \
    M0(Con, SetName, const std::string&) \
    M(std::string, Con, GetName) \
    M0(Con, Assign, TBody*) \
    M0(Con, Free, TBody*) \
    M(TMass*, Con, GetMass1) \
    M(TMass*, Con, GetMass2) \
    M(int, Con, SetRestLength, float) \
    M(float, Con, GetRestLength) \
    M(int, Con, SetStiffness, float) \
    M(float, Con, GetStiffness) \
    M(int, Con, SetCompliance, float, float) \
    M(float, Con, GetCompliance) \
    M(float, Con, GetAngle) \
    M(float, Con, GetLength) \
    M(float, Con, GetStress) \
    M0(Con, Draw)

#define TANGLE_BODY_FORMS(NEW, FN, FN0, M, M0) \
    NEW(Body) \
    M0(Body, SetName, const std::string&) \
    M(std::string, Body, GetName) \
    M(core::Ref<core::TList>, Body, GetConstraints) \
    M0(Body, Clear)

#define TANGLE_ADVBODY_FORMS(NEW, FN, FN0, M, M0) \
    NEW(AdvBody) \
    FN(core::Ref<TAdvBody>, AdvBody, Load, const std::string&, int) \
    M(int, AdvBody, Save, const std::string&, int, int) \
    M(core::Ref<TAdvBody>, AdvBody, Copy) \
    M0(AdvBody, CleanIndex) \
    M0(AdvBody, Activate) \
    M0(AdvBody, DeActivate) \
    M0(AdvBody, Draw) \
    M(int, AdvBody, Move, float, float) \
    M(int, AdvBody, Translate, float, float) \
    M(int, AdvBody, Position, float, float) \
    M0(AdvBody, GetPosition, float&, float&) \
    M(float, AdvBody, GetX) \
    M(float, AdvBody, GetY) \
    M(int, AdvBody, Rotate, float) \
    M(float, AdvBody, GetRotation) \
    M(int, AdvBody, Spin, float) \
    M(int, AdvBody, Turn, float) \
    M(core::Ref<core::TList>, AdvBody, CollideAdvBody, const TAdvBody*) \
    M(core::Ref<core::TList>, AdvBody, CollideZone, TZoneBase*) \
    M(core::Ref<core::TList>, AdvBody, CollideBounds) \
    \
    M(int, AdvBody, MassAdd, float, float, float, float, float, int) \
    M0(AdvBody, MassRemove, int) \
    M(int, AdvBody, MassMaxIndex) \
    M0(AdvBody, MassSwapIndex, int, int) \
    M0(AdvBody, MassCleanIndex) \
    M(int, AdvBody, MassExists, int) \
    M(TMass*, AdvBody, MassGet, int) \
    M0(AdvBody, MassSetName, int, const std::string&) \
    M(std::string, AdvBody, MassGetName, int) \
    M(int, AdvBody, MassMove, int, float, float) \
    M(int, AdvBody, MassTranslate, int, float, float) \
    M(int, AdvBody, MassPosition, int, float, float) \
    M(float, AdvBody, MassGetPositionX, int) \
    M(float, AdvBody, MassGetPositionY, int) \
    M0(AdvBody, MassGetPosition, int, float&, float&) \
    M(float, AdvBody, MassGetX, int) \
    M(float, AdvBody, MassGetY, int) \
    M(int, AdvBody, MassSetMass, int, float) \
    M(float, AdvBody, MassGetMass, int) \
    M(int, AdvBody, MassSetRadius, int, float) \
    M(float, AdvBody, MassGetRadius, int) \
    M(int, AdvBody, MassSetFriction, int, float) \
    M(float, AdvBody, MassGetFriction, int) \
    M0(AdvBody, MassFreeze, int) \
    M0(AdvBody, MassThaw, int) \
    M(int, AdvBody, MassIsFrozen, int) \
    M(int, AdvBody, MassSetVelocity, int, float, float) \
    M(int, AdvBody, MassAddVelocity, int, float, float) \
    M(float, AdvBody, MassGetVelocityX, int) \
    M(float, AdvBody, MassGetVelocityY, int) \
    M(float, AdvBody, MassGetVX, int) \
    M(float, AdvBody, MassGetVY, int) \
    M(float, AdvBody, MassGetVelocity, int) \
    M(int, AdvBody, MassGetColGroup, int) \
    M0(AdvBody, MassSetColGroup, int, int) \
    M(int, AdvBody, MassIsActive, int) \
    M0(AdvBody, MassDraw, int) \
    M0(AdvBody, MassDrawAll) \
    \
    M(int, AdvBody, ConAddAll, float) \
    M(int, AdvBody, ConAdd, int, int, float, float) \
    M0(AdvBody, ConRemove, int) \
    M(int, AdvBody, ConMaxIndex) \
    M0(AdvBody, ConSwapIndex, int, int) \
    M0(AdvBody, ConCleanIndex) \
    M(int, AdvBody, ConExists, int) \
    M(TConstraint*, AdvBody, ConGet, int) \
    M0(AdvBody, ConSetName, int, const std::string&) \
    M(std::string, AdvBody, ConGetName, int) \
    M0(AdvBody, ConAssign, int) \
    M0(AdvBody, ConFree, int) \
    M(int, AdvBody, ConGetMass1, int) \
    M(int, AdvBody, ConGetMass2, int) \
    M(int, AdvBody, ConSetRestLength, int, float) \
    M(float, AdvBody, ConGetRestLength, int) \
    M(int, AdvBody, ConSetStiffness, int, float) \
    M(float, AdvBody, ConGetStiffness, int) \
    M(int, AdvBody, ConSetCompliance, int, float, float) \
    M(float, AdvBody, ConGetCompliance, int) \
    M(float, AdvBody, ConGetAngle, int) \
    M(float, AdvBody, ConGetLength, int) \
    M(float, AdvBody, ConGetStress, int) \
    M0(AdvBody, ConDraw, int) \
    M0(AdvBody, ConDrawAll) \
    \
    M(int, AdvBody, RigAdd, int, int, int, float) \
    M0(AdvBody, RigRemove, int) \
    M(int, AdvBody, RigMaxIndex) \
    M0(AdvBody, RigSwapIndex, int, int) \
    M0(AdvBody, RigCleanIndex) \
    M(int, AdvBody, RigExists, int) \
    M(TRig*, AdvBody, RigGet, int) \
    M0(AdvBody, RigSetName, int, const std::string&) \
    M(std::string, AdvBody, RigGetName, int) \
    M0(AdvBody, RigSetImage, int, int) \
    M(int, AdvBody, RigGetImage, int) \
    M0(AdvBody, RigSetMass, int, int) \
    M(int, AdvBody, RigGetMass, int) \
    M0(AdvBody, RigSetConstraint, int, int) \
    M(int, AdvBody, RigGetConstraint, int) \
    M(int, AdvBody, RigSetAngle, int, float) \
    M(float, AdvBody, RigGetAngle, int) \
    M(int, AdvBody, RigSetScale, int, float, float) \
    M0(AdvBody, RigGetScale, int, float&, float&) \
    M0(AdvBody, RigSetColor, int, int, int, int) \
    M0(AdvBody, RigGetColor, int, int&, int&, int&) \
    M(int, AdvBody, RigSetAlpha, int, float) \
    M(float, AdvBody, RigGetAlpha, int) \
    M0(AdvBody, RigSetBlend, int, int) \
    M(int, AdvBody, RigGetBlend, int) \
    M0(AdvBody, RigDraw, int) \
    \
    M(int, AdvBody, ImageAdd, draw2d::TImage*) \
    M(int, AdvBody, ImageAdd, const core::Ref<draw2d::TImage>&) \
    M(int, AdvBody, ImageAdd, const draw2d::PixmapSource&) \
    M0(AdvBody, ImageRemove, int) \
    M(int, AdvBody, ImageMaxIndex) \
    M0(AdvBody, ImageSwapIndex, int, int) \
    M(int, AdvBody, ImageReplace, int, draw2d::TImage*) \
    M(int, AdvBody, ImageReplace, int, const core::Ref<draw2d::TImage>&) \
    M(int, AdvBody, ImageReplace, int, const draw2d::PixmapSource&) \
    M0(AdvBody, ImageCleanIndex) \
    M(int, AdvBody, ImageExists, int) \
    M(draw2d::TImage*, AdvBody, ImageGet, int)

#define TANGLE_RIG_FORMS(NEW, FN, FN0, M, M0) \
    FN(core::Ref<TRig>, Rig, Create, draw2d::TImage*, TMass*, TConstraint*, float) \
    M0(Rig, SetName, const std::string&) \
    M(std::string, Rig, GetName) \
    M0(Rig, SetImage, draw2d::TImage*) \
    M(draw2d::TImage*, Rig, GetImage) \
    M0(Rig, SetMass, TMass*) \
    M(TMass*, Rig, GetMass) \
    M0(Rig, SetConstraint, TConstraint*) \
    M(TConstraint*, Rig, GetConstraint) \
    M(int, Rig, SetAngle, float) \
    M(float, Rig, GetAngle) \
    M(int, Rig, SetScale, float, float) \
    M0(Rig, GetScale, float&, float&) \
    M0(Rig, SetColor, int, int, int) \
    M0(Rig, GetColor, int&, int&, int&) \
    M(int, Rig, SetAlpha, float) \
    M(float, Rig, GetAlpha) \
    M0(Rig, SetBlend, int) \
    M(int, Rig, GetBlend) \
    M0(Rig, Draw)

#define TANGLE_ZONE_FORMS(NEW, FN, FN0, M, M0) \
    FN(core::Ref<TZone>, Zone, Create, std::vector<float>, int, float, int, int) \
    FN(core::Ref<TZone>, Zone, Load, const std::string&) \
    M(int, Zone, SetFriction, float) \
    M(int, Zone, Position, float, float) \
    M(int, Zone, Move, float, float) \
    M(int, Zone, Rotate, float) \
    M(int, Zone, Turn, float) \
    M0(Zone, CalcQuadTree, int) \
    M(std::vector<float>, Zone, GetArea) \
    M(float, Zone, GetPositionX) \
    M(float, Zone, GetPositionY) \
    M0(Zone, SetColGroup, int) \
    M(int, Zone, GetColGroup) \
    M0(Zone, Free) \
    M0(Zone, ImageSet, draw2d::TImage*) \
    M0(Zone, Draw) \
    M0(Zone, DrawQuadTree, int) \
    M0(Zone, OverrideCollision, TZone::ResponseFunc)

#define TANGLE_COLEVENT_FORMS(NEW, FN, FN0, M, M0) \
    FN(core::Ref<TColEvent>, ColEvent, Create, TMass*, core::Object*, float, float, float) \
    FN0(ColEvent, SetMode, int) \
    FN0(ColEvent, Emit, TColEvent*) \
    FN0(ColEvent, Post, TColEvent*, int) \
    FN(core::Ref<TColEvent>, ColEvent, Poll) \
    FN(core::Ref<TColEvent>, ColEvent, Peek) \
    FN(core::Ref<TColEvent>, ColEvent, Seek, core::Object*, core::Object*) \
    FN0(ColEvent, Flush) \
    FN(core::Ref<TColEvent>, ColEvent, GetCurrent) \
    M(int, ColEvent, GetID) \
    M(TMass*, ColEvent, GetMass1) \
    M(TMass*, ColEvent, GetMass2) \
    M(TZone*, ColEvent, GetZone) \
    M(float, ColEvent, GetX) \
    M(float, ColEvent, GetY) \
    M(float, ColEvent, GetForce)

// clang-format on

// Every form, in table order.
#define TANGLE_PROCEDURAL_FORMS(NEW, FN, FN0, M, M0)                                               \
    TANGLE_WORLD_FORMS(NEW, FN, FN0, M, M0)                                                        \
    TANGLE_WORLD_QUERY_FORMS(NEW, FN, FN0, M, M0)                                                  \
    TANGLE_MASS_FORMS(NEW, FN, FN0, M, M0)                                                         \
    TANGLE_CON_FORMS(NEW, FN, FN0, M, M0)                                                          \
    TANGLE_BODY_FORMS(NEW, FN, FN0, M, M0)                                                         \
    TANGLE_ADVBODY_FORMS(NEW, FN, FN0, M, M0)                                                      \
    TANGLE_RIG_FORMS(NEW, FN, FN0, M, M0)                                                          \
    TANGLE_ZONE_FORMS(NEW, FN, FN0, M, M0)                                                         \
    TANGLE_COLEVENT_FORMS(NEW, FN, FN0, M, M0)
