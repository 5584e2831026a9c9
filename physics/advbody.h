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

class TAdvBody : public TBody {
  public:
    TIndexTable<TMass> masses;
    TIndexTable<TConstraint> cons;
    TIndexTable<draw2d::TImage> images;
    TIndexTable<TRig> rigs;
    /// The tables' counts and slot arrays under their own names.
    int& mIndex = masses.count;
    std::vector<core::Ref<TMass>>& mArray = masses.slots;
    int& cIndex = cons.count;
    std::vector<core::Ref<TConstraint>>& cArray = cons.slots;
    int& iIndex = images.count;
    std::vector<core::Ref<draw2d::TImage>>& iArray = images.slots;
    int& rIndex = rigs.count;
    std::vector<core::Ref<TRig>>& rArray = rigs.slots;

    TAdvBody() = default;

    /// Body files. Load gives none for a missing file, a wrong magic or a
    /// damaged file (one that ends early, holds an index or count its tables
    /// cannot take, names an empty slot, or has an image that cannot be read);
    /// nothing of such a file is kept.
    static core::Ref<TAdvBody> Load(const std::string& url, int activate);
    /// Always 0. A save that cannot be completed leaves the old file as it was.
    int Save(const std::string& url, int backup, int embed) const;
    /// An inactive duplicate with its own parts, sharing the images.
    core::Ref<TAdvBody> Copy() const;

    /// Whole body.
    int CleanIndex();
    int Activate();
    int DeActivate();
    int Draw() const;
    int Move(float dx, float dy);
    int Translate(float dx, float dy);
    int Position(float x, float y);
    int GetPosition(float& x, float& y) const;
    float GetX() const;
    float GetY() const;
    int Rotate(float angle);
    float GetRotation() const;
    int Spin(float angle);
    int Turn(float angle);
    /// The queued collision events of this body's masses with another body's,
    /// a zone's or the bounds; none when there are none.
    core::Ref<core::TList> CollideAdvBody(const TAdvBody* other) const;
    core::Ref<core::TList> CollideZone(TZoneBase* zone) const;
    core::Ref<core::TList> CollideBounds() const;

    /// Masses.
    int MassAdd(float x, float y, float mass, float radius, float friction, int colGroup);
    int MassRemove(int i);
    int MassMaxIndex() const { return masses.MaxIndex(); }
    int MassSwapIndex(int a, int b) {
        masses.Swap(a, b);
        return 0;
    }
    int MassCleanIndex() {
        masses.Clean();
        return 0;
    }
    int MassExists(int i) const { return masses.Exists(i); }
    TMass* MassGet(int i) const { return masses.Get(i); }
    int MassSetName(int i, const std::string& text) {
        return table_calls::Forward<&TMass::SetName>(masses, i, text);
    }
    std::string MassGetName(int i) const {
        return table_calls::Forward<&TMass::GetName>(masses, i);
    }
    int MassMove(int i, float dx, float dy) {
        return table_calls::Forward<&TMass::Move>(masses, i, dx, dy);
    }
    int MassTranslate(int i, float dx, float dy) {
        return table_calls::Forward<&TMass::Translate>(masses, i, dx, dy);
    }
    int MassPosition(int i, float x, float y) {
        return table_calls::Forward<&TMass::Position>(masses, i, x, y);
    }
    float MassGetPositionX(int i) const {
        return table_calls::Forward<&TMass::GetPositionX>(masses, i);
    }
    float MassGetPositionY(int i) const {
        return table_calls::Forward<&TMass::GetPositionY>(masses, i);
    }
    int MassGetPosition(int i, float& x, float& y) const {
        return table_calls::Forward<&TMass::GetPosition>(masses, i, x, y);
    }
    float MassGetX(int i) const { return table_calls::Forward<&TMass::GetX>(masses, i); }
    float MassGetY(int i) const { return table_calls::Forward<&TMass::GetY>(masses, i); }
    int MassSetMass(int i, float m) { return table_calls::Forward<&TMass::SetMass>(masses, i, m); }
    float MassGetMass(int i) const { return table_calls::Forward<&TMass::GetMass>(masses, i); }
    int MassSetRadius(int i, float r) {
        return table_calls::Forward<&TMass::SetRadius>(masses, i, r);
    }
    float MassGetRadius(int i) const { return table_calls::Forward<&TMass::GetRadius>(masses, i); }
    int MassSetFriction(int i, float f) {
        return table_calls::Forward<&TMass::SetFriction>(masses, i, f);
    }
    float MassGetFriction(int i) const {
        return table_calls::Forward<&TMass::GetFriction>(masses, i);
    }
    int MassFreeze(int i) { return table_calls::Forward<&TMass::Freeze>(masses, i); }
    int MassThaw(int i) { return table_calls::Forward<&TMass::Thaw>(masses, i); }
    int MassIsFrozen(int i) const { return table_calls::Forward<&TMass::IsFrozen>(masses, i); }
    int MassSetVelocity(int i, float vx, float vy) {
        return table_calls::Forward<&TMass::SetVelocity>(masses, i, vx, vy);
    }
    int MassAddVelocity(int i, float vx, float vy) {
        return table_calls::Forward<&TMass::AddVelocity>(masses, i, vx, vy);
    }
    float MassGetVelocityX(int i) const {
        return table_calls::Forward<&TMass::GetVelocityX>(masses, i);
    }
    float MassGetVelocityY(int i) const {
        return table_calls::Forward<&TMass::GetVelocityY>(masses, i);
    }
    float MassGetVX(int i) const { return table_calls::Forward<&TMass::GetVX>(masses, i); }
    float MassGetVY(int i) const { return table_calls::Forward<&TMass::GetVY>(masses, i); }
    float MassGetVelocity(int i) const {
        return table_calls::Forward<&TMass::GetVelocity>(masses, i);
    }
    int MassGetColGroup(int i) const {
        return table_calls::Forward<&TMass::GetColGroup>(masses, i);
    }
    int MassSetColGroup(int i, int group) {
        return table_calls::Forward<&TMass::SetColGroup>(masses, i, group);
    }
    int MassIsActive(int i) const { return table_calls::Forward<&TMass::IsActive>(masses, i); }
    int MassDraw(int i) const { return table_calls::Forward<&TMass::Draw>(masses, i); }
    int MassDrawAll() const;

    /// Constraints.
    int ConAddAll(float stiffness);
    int ConAdd(int mass1, int mass2, float restLength, float stiffness);
    int ConRemove(int i);
    int ConMaxIndex() const { return cons.MaxIndex(); }
    int ConSwapIndex(int a, int b) {
        cons.Swap(a, b);
        return 0;
    }
    int ConCleanIndex() {
        cons.Clean();
        return 0;
    }
    int ConExists(int i) const { return cons.Exists(i); }
    TConstraint* ConGet(int i) const { return cons.Get(i); }
    int ConSetName(int i, const std::string& text) {
        return table_calls::Forward<&TConstraint::SetName>(cons, i, text);
    }
    std::string ConGetName(int i) const {
        return table_calls::Forward<&TConstraint::GetName>(cons, i);
    }
    int ConAssign(int i) {
        return table_calls::Forward<&TConstraint::Assign>(cons, i, static_cast<TBody*>(this));
    }
    int ConFree(int i) {
        return table_calls::Forward<&TConstraint::Free>(cons, i, static_cast<TBody*>(this));
    }
    /// The mass-table index (the mass's `index`) of the first or second mass.
    int ConGetMass1(int i) const {
        return table_calls::OnSlot(cons, i, [](TConstraint& c) { return IndexOf(c.GetMass1()); });
    }
    int ConGetMass2(int i) const {
        return table_calls::OnSlot(cons, i, [](TConstraint& c) { return IndexOf(c.GetMass2()); });
    }
    int ConSetRestLength(int i, float f) {
        return table_calls::Forward<&TConstraint::SetRestLength>(cons, i, f);
    }
    float ConGetRestLength(int i) const {
        return table_calls::Forward<&TConstraint::GetRestLength>(cons, i);
    }
    int ConSetStiffness(int i, float f) {
        return table_calls::Forward<&TConstraint::SetStiffness>(cons, i, f);
    }
    float ConGetStiffness(int i) const {
        return table_calls::Forward<&TConstraint::GetStiffness>(cons, i);
    }
    float ConGetAngle(int i) const { return table_calls::Forward<&TConstraint::GetAngle>(cons, i); }
    float ConGetLength(int i) const {
        return table_calls::Forward<&TConstraint::GetLength>(cons, i);
    }
    float ConGetStress(int i) const {
        return table_calls::Forward<&TConstraint::GetStress>(cons, i);
    }
    int ConDraw(int i) const { return table_calls::Forward<&TConstraint::Draw>(cons, i); }
    int ConDrawAll() const;

    /// Rigs. Their image, mass and constraint are given and read as indices
    /// into this body's tables.
    int RigAdd(int image, int mass, int con, float angle);
    int RigRemove(int i) {
        rigs.Empty(i);
        return 0;
    }
    int RigMaxIndex() const { return rigs.MaxIndex(); }
    int RigSwapIndex(int a, int b) {
        rigs.Swap(a, b);
        return 0;
    }
    int RigCleanIndex() {
        rigs.Clean();
        return 0;
    }
    int RigExists(int i) const { return rigs.Exists(i); }
    TRig* RigGet(int i) const { return rigs.Get(i); }
    int RigSetName(int i, const std::string& text) {
        return table_calls::Forward<&TRig::SetName>(rigs, i, text);
    }
    std::string RigGetName(int i) const { return table_calls::Forward<&TRig::GetName>(rigs, i); }
    /// Only when that image slot holds an image.
    int RigSetImage(int i, int image);
    /// The lowest image slot holding the rig's image; -1 when none does.
    int RigGetImage(int i) const {
        return table_calls::OnSlot(rigs, i, [&](TRig& r) { return images.Find(r.image); });
    }
    /// Only when that mass slot holds a mass.
    int RigSetMass(int i, int mass);
    int RigGetMass(int i) const {
        return table_calls::OnSlot(rigs, i, [](TRig& r) { return IndexOf(r.mass.Get()); });
    }
    /// -1 (or an empty slot) means none.
    int RigSetConstraint(int i, int con);
    int RigGetConstraint(int i) const {
        return table_calls::OnSlot(rigs, i, [](TRig& r) { return IndexOf(r.con.Get()); });
    }
    int RigSetAngle(int i, float degrees) {
        return table_calls::Forward<&TRig::SetAngle>(rigs, i, degrees);
    }
    float RigGetAngle(int i) const { return table_calls::Forward<&TRig::GetAngle>(rigs, i); }
    int RigSetScale(int i, float sx, float sy) {
        return table_calls::Forward<&TRig::SetScale>(rigs, i, sx, sy);
    }
    int RigGetScale(int i, float& sx, float& sy) const {
        return table_calls::Forward<&TRig::GetScale>(rigs, i, sx, sy);
    }
    int RigSetColor(int i, int r, int g, int b) {
        return table_calls::Forward<&TRig::SetColor>(rigs, i, r, g, b);
    }
    int RigGetColor(int i, int& r, int& g, int& b) const {
        return table_calls::Forward<&TRig::GetColor>(rigs, i, r, g, b);
    }
    int RigSetAlpha(int i, float a) { return table_calls::Forward<&TRig::SetAlpha>(rigs, i, a); }
    float RigGetAlpha(int i) const { return table_calls::Forward<&TRig::GetAlpha>(rigs, i); }
    int RigSetBlend(int i, int mode) {
        return table_calls::Forward<&TRig::SetBlend>(rigs, i, mode);
    }
    int RigGetBlend(int i) const { return table_calls::Forward<&TRig::GetBlend>(rigs, i); }
    int RigDraw(int i) const { return table_calls::Forward<&TRig::Draw>(rigs, i); }

    /// Images. A source that is no image is loaded with the automatic flags:
    /// a path, a stream at its position or a pixmap.
    int ImageAdd(draw2d::TImage* image);
    int ImageAdd(const core::Ref<draw2d::TImage>& image) { return ImageAdd(image.Get()); }
    int ImageAdd(const draw2d::PixmapSource& source);
    int ImageRemove(int i);
    int ImageMaxIndex() const { return images.MaxIndex(); }
    int ImageSwapIndex(int a, int b) {
        images.Swap(a, b);
        return 0;
    }
    /// 1 when slot i (one in use) now holds the new image, else 0.
    int ImageReplace(int i, draw2d::TImage* image);
    int ImageReplace(int i, const core::Ref<draw2d::TImage>& image) {
        return ImageReplace(i, image.Get());
    }
    int ImageReplace(int i, const draw2d::PixmapSource& source);
    int ImageCleanIndex() {
        images.Clean();
        return 0;
    }
    int ImageExists(int i) const { return images.Exists(i); }
    draw2d::TImage* ImageGet(int i) const { return images.Get(i); }

  private:
    template <class T> static int IndexOf(const T* part) { return part ? part->index : -1; }
    /// Every mass turned by angle about the reference mass through `apply`
    /// (Move or Translate).
    template <int (TMass::*Apply)(float, float)> void TurnMasses(float angle);
    core::Ref<core::TList>
    CollectEvents(const std::function<void(TMass*, core::TList&)>& seek) const;
};

} // namespace kel::tangle
