#pragma once
// TAdvBody: a body built from four index tables (masses, constraints, images
// and rigs) that callers address by slot number, so a body loaded from a file
// answers to the numbers the file uses.

#include <functional>
#include <string>
#include <type_traits>
#include <utility>

#include "core/list.h"
#include "graphics/image.h"
#include "graphics/pixmap_source.h"
#include "physics/body.h"
#include "physics/constraint.h"
#include "physics/index_table.h"
#include "physics/mass.h"
#include "physics/rig.h"

namespace kel::tangle {

class TZoneBase;

namespace table_calls {

/// Calls use(part) on the part in slot i; an empty slot gives the zero value
/// of the result and leaves output arguments alone.
template <class T, class F> auto OnSlot(const TIndexTable<T>& table, int i, F&& use) {
    using R = std::invoke_result_t<F, T&>;
    T* part = table.Get(i);
    return part ? use(*part) : R{};
}

/// Forwards to the part's own operation of the same name.
template <auto Method, class T, class... Args>
auto Forward(const TIndexTable<T>& table, int i, Args&&... args) {
    return OnSlot(table, i,
                  [&](T& part) { return std::invoke(Method, part, std::forward<Args>(args)...); });
}

} // namespace table_calls

/// A body of four index tables: masses, constraints, images and rigs. Every part is addressed by
/// its slot number, which stays put when other parts go (only the CleanIndex operations renumber),
/// so a body loaded from a file answers to the numbers the file uses. Every operation on a slot
/// that is empty or out of use does nothing and returns the zero value of its type (0, 0.0, an
/// empty string, none). Activate assigns the constraints, which brings the masses into the world.
/// Operations that take numbers refuse one that is not finite (NaN or an infinity): they return -1
/// and change nothing.
class TAdvBody : public TBody {
  public:
    /// The mass table.
    TIndexTable<TMass> masses;
    /// The constraint table.
    TIndexTable<TConstraint> cons;
    /// The image table: the pictures the rigs draw.
    TIndexTable<draw2d::TImage> images;
    /// The rig table.
    TIndexTable<TRig> rigs;
    /// The tables' counts and slot arrays under their own names.
    int& mIndex = masses.count;
    /// The mass table's slots.
    std::vector<core::Ref<TMass>>& mArray = masses.slots;
    /// The constraint table's count.
    int& cIndex = cons.count;
    /// The constraint table's slots.
    std::vector<core::Ref<TConstraint>>& cArray = cons.slots;
    /// The image table's count.
    int& iIndex = images.count;
    /// The image table's slots.
    std::vector<core::Ref<draw2d::TImage>>& iArray = images.slots;
    /// The rig table's count.
    int& rIndex = rigs.count;
    /// The rig table's slots.
    std::vector<core::Ref<TRig>>& rArray = rigs.slots;

    /// Known to its masses (TMass::GetBody) for as long as it lives.
    TAdvBody();
    ~TAdvBody() override;

    /// Body files. Load gives none for a missing file, a wrong magic or a
    /// damaged file (one that ends early, holds an index or count its tables
    /// cannot take, names an empty slot, or has an image that cannot be read);
    /// nothing of such a file is kept.
    [[nodiscard]] static core::Ref<TAdvBody> Load(const std::string& url, int activate);
    /// 0 when written; -1 when not (a folder that does not exist, a full disk, a url that names
    /// a folder), which leaves the old file as it was.
    int Save(const std::string& url, int backup, int embed) const;
    /// An inactive duplicate with its own parts, sharing the images. A constraint holding a number
    /// that is not finite (written straight into its fields) is left out.
    [[nodiscard]] core::Ref<TAdvBody> Copy() const;

    // Whole body.

    /// Cleans all four tables (see MassCleanIndex). Returns 0.
    int CleanIndex();
    /// Assigns every constraint to this body, bringing it and its masses into the world. Returns 0.
    int Activate();
    /// Frees every constraint from this body; parts held by nothing else leave the world. Returns
    /// 0.
    int DeActivate();
    /// Draws every rig, in slot order, through the world view. Returns 0.
    int Draw() const;
    /// Pushes every free mass: moves it by (dx, dy) and adds that to its velocity (frozen masses
    /// stay). Returns 0; -1 (nothing changed) for a value that is not finite.
    int Move(float dx, float dy);
    /// Moves every mass by (dx, dy), keeping velocities. Returns 0; -1 (nothing changed) for a
    /// value that is not finite.
    int Translate(float dx, float dy);
    /// Puts the reference mass (the lowest filled mass slot) at (x, y), keeping the shape; every
    /// mass stops. Returns 0; -1 (nothing changed) for a value that is not finite.
    int Position(float x, float y);
    /// Writes the reference mass's position. Returns 0.
    int GetPosition(float& x, float& y) const;
    /// Writes the centre of mass of the body's masses (frozen ones too), weighted
    /// by their `mass` (the plain mean where they weigh nothing in all). Leaves
    /// x and y as they were without masses. Returns the number of masses.
    int GetCenter(float& x, float& y) const;
    /// Writes the velocity of the body's centre of mass, units per step (the
    /// masses' velocities weighted as in GetCenter). Leaves vx and vy as they
    /// were without masses. Returns the number of masses.
    int GetVelocity(float& vx, float& vy) const;
    /// 1 while any of the body's masses is awake (see TPhysics::SetSleep), 0
    /// when all of them sleep or it has none.
    int IsAwake() const;
    /// The reference mass's x; 0 without masses.
    float GetX() const;
    /// The reference mass's y; 0 without masses.
    float GetY() const;
    /// Turns the body about its reference mass until its reference constraint (the lowest filled
    /// constraint slot) points along `angle` degrees; every mass stops. Returns 0; -1 (nothing
    /// changed) for a value that is not finite.
    int Rotate(float angle);
    /// The direction of the reference constraint, degrees; 0 without one.
    float GetRotation() const;
    /// Turns every free mass by `angle` degrees about the reference mass as a velocity, so the body
    /// keeps turning. Returns 0; -1 (nothing changed) for a value that is not finite.
    int Spin(float angle);
    /// Turns every mass (frozen ones too) by `angle` degrees about the reference mass, keeping
    /// velocities. Returns 0; -1 (nothing changed) for a value that is not finite.
    int Turn(float angle);
    /// The queued collision events of this body's masses with another body's,
    /// a zone's or the bounds; none when there are none.
    core::Ref<core::TList> CollideAdvBody(const TAdvBody* other) const;
    /// The queued events of this body's masses with a zone (none when zone is none), or none.
    core::Ref<core::TList> CollideZone(TZoneBase* zone) const;
    /// The queued events of this body's masses with the world's bounds, or none.
    core::Ref<core::TList> CollideBounds() const;

    // Masses.

    /// A new mass (see TMass::Create) in the next slot; returns the slot, or -1 when a number is
    /// not finite.
    int MassAdd(float x, float y, float mass, float radius, float friction, int colGroup);
    /// Removes the mass in slot i with the rigs pinned to it and the constraints that use it; the
    /// slot stays, empty. Returns 0.
    int MassRemove(int i);
    /// The highest slot in use (count - 1); -1 for an empty table.
    int MassMaxIndex() const { return masses.MaxIndex(); }
    /// Exchanges two filled slots (renumbering both masses). Returns 0.
    int MassSwapIndex(int a, int b) {
        masses.Swap(a, b);
        return 0;
    }
    /// Moves the masses down over empty slots, keeping their order, and renumbers them. Returns 0.
    int MassCleanIndex() {
        masses.Clean();
        return 0;
    }
    /// 1 when slot i holds a mass.
    int MassExists(int i) const { return masses.Exists(i); }
    /// The mass in slot i, or null.
    TMass* MassGet(int i) const { return masses.Get(i); }
    /// Names the mass in slot i. Returns 0.
    int MassSetName(int i, const std::string& text) {
        return table_calls::Forward<&TMass::SetName>(masses, i, text);
    }
    /// The name of the mass in slot i.
    std::string MassGetName(int i) const {
        return table_calls::Forward<&TMass::GetName>(masses, i);
    }
    /// Pushes the mass in slot i: moves it by (dx, dy) and adds that to its velocity. Returns 0; -1
    /// (nothing changed) for a value that is not finite.
    int MassMove(int i, float dx, float dy) {
        return table_calls::Forward<&TMass::Move>(masses, i, dx, dy);
    }
    /// Moves the mass in slot i, keeping its velocity. Returns 0; -1 (nothing changed) for a value
    /// that is not finite.
    int MassTranslate(int i, float dx, float dy) {
        return table_calls::Forward<&TMass::Translate>(masses, i, dx, dy);
    }
    /// Puts the mass in slot i at (x, y), at rest. Returns 0; -1 (nothing changed) for a value that
    /// is not finite.
    int MassPosition(int i, float x, float y) {
        return table_calls::Forward<&TMass::Position>(masses, i, x, y);
    }
    /// X of the mass in slot i.
    float MassGetPositionX(int i) const {
        return table_calls::Forward<&TMass::GetPositionX>(masses, i);
    }
    /// Y of the mass in slot i.
    float MassGetPositionY(int i) const {
        return table_calls::Forward<&TMass::GetPositionY>(masses, i);
    }
    /// Writes the position of the mass in slot i. Returns 0.
    int MassGetPosition(int i, float& x, float& y) const {
        return table_calls::Forward<&TMass::GetPosition>(masses, i, x, y);
    }
    /// X of the mass in slot i.
    float MassGetX(int i) const { return table_calls::Forward<&TMass::GetX>(masses, i); }
    /// Y of the mass in slot i.
    float MassGetY(int i) const { return table_calls::Forward<&TMass::GetY>(masses, i); }
    /// Sets the mass of the mass in slot i. Returns 0; -1 (nothing changed) for a value that is not
    /// finite.
    int MassSetMass(int i, float m) { return table_calls::Forward<&TMass::SetMass>(masses, i, m); }
    /// The mass of the mass in slot i.
    float MassGetMass(int i) const { return table_calls::Forward<&TMass::GetMass>(masses, i); }
    /// Sets the radius of the mass in slot i. Returns 0; -1 (nothing changed) for a value that is
    /// not finite.
    int MassSetRadius(int i, float r) {
        return table_calls::Forward<&TMass::SetRadius>(masses, i, r);
    }
    /// The radius of the mass in slot i.
    float MassGetRadius(int i) const { return table_calls::Forward<&TMass::GetRadius>(masses, i); }
    /// Sets the friction (clamped to 0 ... 1) of the mass in slot i. Returns 0; -1 (nothing
    /// changed) for a value that is not finite.
    int MassSetFriction(int i, float f) {
        return table_calls::Forward<&TMass::SetFriction>(masses, i, f);
    }
    /// The friction of the mass in slot i.
    float MassGetFriction(int i) const {
        return table_calls::Forward<&TMass::GetFriction>(masses, i);
    }
    /// Freezes the mass in slot i: it stays where it is. Returns 0.
    int MassFreeze(int i) { return table_calls::Forward<&TMass::Freeze>(masses, i); }
    /// Thaws the mass in slot i. Returns 0.
    int MassThaw(int i) { return table_calls::Forward<&TMass::Thaw>(masses, i); }
    /// 1 when the mass in slot i is frozen.
    int MassIsFrozen(int i) const { return table_calls::Forward<&TMass::IsFrozen>(masses, i); }
    /// Sets the velocity (units per step) of the mass in slot i; a frozen mass ignores it. Returns
    /// 0; -1 (nothing changed) for a value that is not finite.
    int MassSetVelocity(int i, float vx, float vy) {
        return table_calls::Forward<&TMass::SetVelocity>(masses, i, vx, vy);
    }
    /// Adds to the velocity of the mass in slot i; a frozen mass ignores it. Returns 0; -1 (nothing
    /// changed) for a value that is not finite.
    int MassAddVelocity(int i, float vx, float vy) {
        return table_calls::Forward<&TMass::AddVelocity>(masses, i, vx, vy);
    }
    /// Velocity along x of the mass in slot i, units per step.
    float MassGetVelocityX(int i) const {
        return table_calls::Forward<&TMass::GetVelocityX>(masses, i);
    }
    /// Velocity along y of the mass in slot i, units per step.
    float MassGetVelocityY(int i) const {
        return table_calls::Forward<&TMass::GetVelocityY>(masses, i);
    }
    /// Velocity along x of the mass in slot i.
    float MassGetVX(int i) const { return table_calls::Forward<&TMass::GetVX>(masses, i); }
    /// Velocity along y of the mass in slot i.
    float MassGetVY(int i) const { return table_calls::Forward<&TMass::GetVY>(masses, i); }
    /// Speed of the mass in slot i, units per step.
    float MassGetVelocity(int i) const {
        return table_calls::Forward<&TMass::GetVelocity>(masses, i);
    }
    /// Collision group of the mass in slot i.
    int MassGetColGroup(int i) const {
        return table_calls::Forward<&TMass::GetColGroup>(masses, i);
    }
    /// Sets the collision group of the mass in slot i (-1: a fresh automatic group). Returns 0.
    int MassSetColGroup(int i, int group) {
        return table_calls::Forward<&TMass::SetColGroup>(masses, i, group);
    }
    /// 1 when the mass in slot i is in the world.
    int MassIsActive(int i) const { return table_calls::Forward<&TMass::IsActive>(masses, i); }
    /// Draws the mass in slot i as a filled circle. Returns 0.
    int MassDraw(int i) const { return table_calls::Forward<&TMass::Draw>(masses, i); }
    /// Draws every mass. Returns 0.
    int MassDrawAll() const;

    // Constraints.

    /// A constraint of the given stiffness between every pair of filled mass slots, at their
    /// current distance. Returns 0; -1 (nothing changed) for a value that is not finite.
    int ConAddAll(float stiffness);
    /// A constraint between the masses in slots mass1 and mass2 (see TConstraint::Create); its
    /// slot, or -1 when either slot is empty, they are the same, or a number is not finite. Not
    /// assigned: call ConAssign or Activate.
    int ConAdd(int mass1, int mass2, float restLength, float stiffness);
    /// A pressure constraint (see TConstraint::CreatePressure) over the ring of masses in the
    /// given slots, in order round the ring; its slot, or -1 when a slot is empty, named twice,
    /// there are fewer than 3, or a number is not finite. Not assigned: call ConAssign or Activate.
    int ConAddPressure(const std::vector<int>& ring, float restArea, float stiffness);
    /// An angle constraint (see TConstraint::CreateAngle) at the mass in slot `middle` between
    /// the arms to slots `first` and `last`; its slot, or -1 when a slot is empty or named twice,
    /// or a number is not finite. Not assigned: call ConAssign or Activate.
    int ConAddAngle(int first, int middle, int last, float restAngle, float stiffness);
    /// A shape-matching constraint (see TConstraint::CreateShape) over the masses in the given
    /// slots, at their present places; its slot, or -1 when a slot is empty, named twice, there
    /// are fewer than 3, or the stiffness is not finite. Not assigned: call ConAssign or Activate.
    int ConAddShape(const std::vector<int>& slots, float stiffness);
    /// A skin (see TConstraint::CreateSkin) over the masses in the given slots, in order along it;
    /// its slot, or -1 when a slot is empty, named twice, or there are fewer than 2 (3 when
    /// closed). Not assigned: call ConAssign or Activate.
    int ConAddSkin(const std::vector<int>& slots, bool closed);
    /// Removes the constraint in slot i with the rigs it turns, freeing it from the body; the slot
    /// stays, empty. Returns 0.
    int ConRemove(int i);
    /// The highest slot in use; -1 for an empty table.
    int ConMaxIndex() const { return cons.MaxIndex(); }
    /// Exchanges two filled slots. Returns 0.
    int ConSwapIndex(int a, int b) {
        cons.Swap(a, b);
        return 0;
    }
    /// Moves the constraints down over empty slots, keeping their order. Returns 0.
    int ConCleanIndex() {
        cons.Clean();
        return 0;
    }
    /// 1 when slot i holds a constraint.
    int ConExists(int i) const { return cons.Exists(i); }
    /// The constraint in slot i, or null.
    TConstraint* ConGet(int i) const { return cons.Get(i); }
    /// Names the constraint in slot i. Returns 0.
    int ConSetName(int i, const std::string& text) {
        return table_calls::Forward<&TConstraint::SetName>(cons, i, text);
    }
    /// The name of the constraint in slot i.
    std::string ConGetName(int i) const {
        return table_calls::Forward<&TConstraint::GetName>(cons, i);
    }
    /// Assigns the constraint in slot i to this body (into the world). Returns 0.
    int ConAssign(int i) {
        return table_calls::Forward<&TConstraint::Assign>(cons, i, static_cast<TBody*>(this));
    }
    /// Frees the constraint in slot i from this body. Returns 0.
    int ConFree(int i) {
        return table_calls::Forward<&TConstraint::Free>(cons, i, static_cast<TBody*>(this));
    }
    /// The mass-table index (the mass's `index`) of the first or second mass.
    int ConGetMass1(int i) const {
        return table_calls::OnSlot(cons, i, [](TConstraint& c) { return IndexOf(c.GetMass1()); });
    }
    /// The mass-table slot of the second mass; -1 when it has none.
    int ConGetMass2(int i) const {
        return table_calls::OnSlot(cons, i, [](TConstraint& c) { return IndexOf(c.GetMass2()); });
    }
    /// Sets the rest length of the constraint in slot i (0 or less: the current distance). Returns
    /// 0; -1 (nothing changed) for a value that is not finite.
    int ConSetRestLength(int i, float f) {
        return table_calls::Forward<&TConstraint::SetRestLength>(cons, i, f);
    }
    /// The rest length of the constraint in slot i.
    float ConGetRestLength(int i) const {
        return table_calls::Forward<&TConstraint::GetRestLength>(cons, i);
    }
    /// Sets the stiffness (0 ... 1) of the constraint in slot i. Returns 0; -1 (nothing changed)
    /// for a value that is not finite.
    int ConSetStiffness(int i, float f) {
        return table_calls::Forward<&TConstraint::SetStiffness>(cons, i, f);
    }
    /// The stiffness of the constraint in slot i.
    float ConGetStiffness(int i) const {
        return table_calls::Forward<&TConstraint::GetStiffness>(cons, i);
    }
    /// Sets the compliance and damping ratio of the constraint in slot i (see
    /// TConstraint::SetCompliance). Returns 0; -1 (nothing changed) for a value that is not finite.
    int ConSetCompliance(int i, float c, float dampingRatio) {
        return table_calls::Forward<&TConstraint::SetCompliance>(cons, i, c, dampingRatio);
    }
    /// The compliance of the constraint in slot i; -1 while it uses its per-pass stiffness.
    float ConGetCompliance(int i) const {
        return table_calls::Forward<&TConstraint::GetCompliance>(cons, i);
    }
    /// The direction from the first to the second mass, degrees.
    float ConGetAngle(int i) const { return table_calls::Forward<&TConstraint::GetAngle>(cons, i); }
    /// The distance of the two masses.
    float ConGetLength(int i) const {
        return table_calls::Forward<&TConstraint::GetLength>(cons, i);
    }
    /// Length over rest length: above 1 stretched, below 1 squeezed.
    float ConGetStress(int i) const {
        return table_calls::Forward<&TConstraint::GetStress>(cons, i);
    }
    /// Draws the constraint in slot i as a line. Returns 0.
    int ConDraw(int i) const { return table_calls::Forward<&TConstraint::Draw>(cons, i); }
    /// Draws every constraint. Returns 0.
    int ConDrawAll() const;

    // Rigs. Their image, mass and constraint are given and read as indices
    // into this body's tables.

    /// A rig drawing the image in slot `image`, pinned to the mass in slot
    /// `mass`, turned by the constraint in slot `con` (-1: none) plus `angle`
    /// degrees; its slot, or -1 when the image or mass slot is empty or the angle is not finite.
    int RigAdd(int image, int mass, int con, float angle);
    /// Empties rig slot i. Returns 0.
    int RigRemove(int i) {
        rigs.Empty(i);
        return 0;
    }
    /// The highest slot in use; -1 for an empty table.
    int RigMaxIndex() const { return rigs.MaxIndex(); }
    /// Exchanges two filled slots. Returns 0.
    int RigSwapIndex(int a, int b) {
        rigs.Swap(a, b);
        return 0;
    }
    /// Moves the rigs down over empty slots, keeping their order. Returns 0.
    int RigCleanIndex() {
        rigs.Clean();
        return 0;
    }
    /// 1 when slot i holds a rig.
    int RigExists(int i) const { return rigs.Exists(i); }
    /// The rig in slot i, or null.
    TRig* RigGet(int i) const { return rigs.Get(i); }
    /// Names the rig in slot i. Returns 0.
    int RigSetName(int i, const std::string& text) {
        return table_calls::Forward<&TRig::SetName>(rigs, i, text);
    }
    /// The name of the rig in slot i.
    std::string RigGetName(int i) const { return table_calls::Forward<&TRig::GetName>(rigs, i); }
    /// Only when that image slot holds an image.
    int RigSetImage(int i, int image);
    /// The lowest image slot holding the rig's image; -1 when none does.
    int RigGetImage(int i) const {
        return table_calls::OnSlot(rigs, i, [&](TRig& r) { return images.Find(r.image); });
    }
    /// Only when that mass slot holds a mass.
    int RigSetMass(int i, int mass);
    /// The mass-table slot of the rig's mass; -1 when it has none.
    int RigGetMass(int i) const {
        return table_calls::OnSlot(rigs, i, [](TRig& r) { return IndexOf(r.mass.Get()); });
    }
    /// -1 (or an empty slot) means none.
    int RigSetConstraint(int i, int con);
    /// The constraint-table slot of the rig's constraint; -1 when it has none.
    int RigGetConstraint(int i) const {
        return table_calls::OnSlot(rigs, i, [](TRig& r) { return IndexOf(r.con.Get()); });
    }
    /// Sets the rig's fixed angle, degrees. Returns 0; -1 (nothing changed) for a value that is not
    /// finite.
    int RigSetAngle(int i, float degrees) {
        return table_calls::Forward<&TRig::SetAngle>(rigs, i, degrees);
    }
    /// The rig's fixed angle, degrees.
    float RigGetAngle(int i) const { return table_calls::Forward<&TRig::GetAngle>(rigs, i); }
    /// Sets the rig's scale. Returns 0; -1 (nothing changed) for a value that is not finite.
    int RigSetScale(int i, float sx, float sy) {
        return table_calls::Forward<&TRig::SetScale>(rigs, i, sx, sy);
    }
    /// Writes the rig's scale. Returns 0.
    int RigGetScale(int i, float& sx, float& sy) const {
        return table_calls::Forward<&TRig::GetScale>(rigs, i, sx, sy);
    }
    /// Sets the rig's tint, 0 ... 255 each (clamped). Returns 0.
    int RigSetColor(int i, int r, int g, int b) {
        return table_calls::Forward<&TRig::SetColor>(rigs, i, r, g, b);
    }
    /// Writes the rig's tint, 0 ... 255 each. Returns 0.
    int RigGetColor(int i, int& r, int& g, int& b) const {
        return table_calls::Forward<&TRig::GetColor>(rigs, i, r, g, b);
    }
    /// Sets the rig's alpha (clamped to 0 ... 1). Returns 0; -1 (nothing changed) for a value that
    /// is not finite.
    int RigSetAlpha(int i, float a) { return table_calls::Forward<&TRig::SetAlpha>(rigs, i, a); }
    /// The rig's alpha.
    float RigGetAlpha(int i) const { return table_calls::Forward<&TRig::GetAlpha>(rigs, i); }
    /// Sets the rig's blend mode (BLEND_ constants). Returns 0.
    int RigSetBlend(int i, int mode) {
        return table_calls::Forward<&TRig::SetBlend>(rigs, i, mode);
    }
    /// The rig's blend mode.
    int RigGetBlend(int i) const { return table_calls::Forward<&TRig::GetBlend>(rigs, i); }
    /// Draws the rig in slot i. Returns 0.
    int RigDraw(int i) const { return table_calls::Forward<&TRig::Draw>(rigs, i); }

    // Images. A source that is no image is loaded with the automatic flags:
    // a path, a stream at its position or a pixmap.

    /// Adds an image; its slot, or -1 for none.
    int ImageAdd(draw2d::TImage* image);
    /// Adds an image; its slot, or -1 for none.
    int ImageAdd(const core::Ref<draw2d::TImage>& image) { return ImageAdd(image.Get()); }
    /// Loads an image from the source with the automatic flags and adds it; its slot, or -1 when it
    /// cannot be loaded.
    int ImageAdd(const draw2d::PixmapSource& source);
    /// Empties image slot i; rigs drawing that image keep it. Returns 0.
    int ImageRemove(int i);
    /// The highest slot in use; -1 for an empty table.
    int ImageMaxIndex() const { return images.MaxIndex(); }
    /// Exchanges two filled slots. Returns 0.
    int ImageSwapIndex(int a, int b) {
        images.Swap(a, b);
        return 0;
    }
    /// 1 when slot i (one in use) now holds the new image, else 0.
    int ImageReplace(int i, draw2d::TImage* image);
    /// Replaces the image in slot i (one in use); 1 when it now holds the new image, else 0.
    int ImageReplace(int i, const core::Ref<draw2d::TImage>& image) {
        return ImageReplace(i, image.Get());
    }
    /// Loads an image from the source and puts it in slot i (one in use); 1 when it did, else 0.
    int ImageReplace(int i, const draw2d::PixmapSource& source);
    /// Moves the images down over empty slots, keeping their order. Returns 0.
    int ImageCleanIndex() {
        images.Clean();
        return 0;
    }
    /// 1 when slot i holds an image.
    int ImageExists(int i) const { return images.Exists(i); }
    /// The image in slot i, or null.
    draw2d::TImage* ImageGet(int i) const { return images.Get(i); }

  private:
    template <class T> static int IndexOf(const T* part) { return part ? part->index : -1; }
    bool MassesIn(const std::vector<int>& slots, std::vector<TMass*>& out) const;
    /// Every mass turned by angle about the reference mass through `apply`
    /// (Move or Translate).
    template <int (TMass::*Apply)(float, float)> void TurnMasses(float angle);
    core::Ref<core::TList>
    CollectEvents(const std::function<void(TMass*, core::TList&)>& seek) const;
};

} // namespace kel::tangle
