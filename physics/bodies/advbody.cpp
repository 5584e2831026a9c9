// The tables of a body: adding and removing parts, and the whole-table
// operations that go over them.

#include "physics/advbody.h"

#include "physics/step/finite.h"
#include "physics/bodies/mass_extras.h"

namespace kel::tangle {

TAdvBody::TAdvBody() { detail::NoteBody(this); }

TAdvBody::~TAdvBody() { detail::ForgetBody(this); }

int TAdvBody::CleanIndex() {
    MassCleanIndex();
    ConCleanIndex();
    RigCleanIndex();
    ImageCleanIndex();
    return 0;
}

// A constraint already assigned to this body is not assigned twice.
int TAdvBody::Activate() {
    for (int i = 0; i < cIndex; ++i) ConAssign(i);
    return 0;
}

int TAdvBody::DeActivate() {
    for (int i = 0; i < cIndex; ++i) ConFree(i);
    return 0;
}

int TAdvBody::Draw() const {
    rigs.ForEach([](int, TRig* rig) { rig->Draw(); });
    return 0;
}

int TAdvBody::MassDrawAll() const {
    masses.ForEach([](int, TMass* m) { m->Draw(); });
    return 0;
}

int TAdvBody::ConDrawAll() const {
    cons.ForEach([](int, TConstraint* c) { c->Draw(); });
    return 0;
}

int TAdvBody::MassAdd(float x, float y, float mass, float radius, float friction, int colGroup) {
    core::Ref<TMass> m = TMass::Create(x, y, mass, radius, friction, colGroup);
    return m ? masses.Add(m) : -1;
}

// Rigs on the mass go first, then the constraints that use it.
int TAdvBody::MassRemove(int i) {
    core::Ref<TMass> m = masses.Get(i);
    if (!m) return 0;
    rigs.ForEach([&](int r, TRig* rig) {
        if (rig->mass == m) RigRemove(r);
    });
    cons.ForEach([&](int c, TConstraint* con) {
        if (con->Holds(m)) ConRemove(c);
    });
    masses.Empty(i);
    return 0;
}

int TAdvBody::ConAdd(int mass1, int mass2, float restLength, float stiffness) {
    TMass* a = masses.Get(mass1);
    TMass* b = masses.Get(mass2);
    if (!a || !b || mass1 == mass2) return -1;
    core::Ref<TConstraint> c = TConstraint::Create(a, b, restLength, stiffness);
    return c ? cons.Add(c) : -1;
}

// The masses in the given slots; false when a slot is empty.
bool TAdvBody::MassesIn(const std::vector<int>& slots, std::vector<TMass*>& out) const {
    out.clear();
    out.reserve(slots.size());
    for (int slot : slots) {
        TMass* m = masses.Get(slot);
        if (!m) return false;
        out.push_back(m);
    }
    return true;
}

int TAdvBody::ConAddPressure(const std::vector<int>& ring, float restArea, float stiffness) {
    std::vector<TMass*> parts;
    if (!MassesIn(ring, parts)) return -1;
    core::Ref<TConstraint> c = TConstraint::CreatePressure(parts, restArea, stiffness);
    return c ? cons.Add(c) : -1;
}

int TAdvBody::ConAddAngle(int first, int middle, int last, float restAngle, float stiffness) {
    std::vector<TMass*> parts;
    if (!MassesIn({first, middle, last}, parts)) return -1;
    core::Ref<TConstraint> c =
        TConstraint::CreateAngle(parts[0], parts[1], parts[2], restAngle, stiffness);
    return c ? cons.Add(c) : -1;
}

int TAdvBody::ConAddShape(const std::vector<int>& slots, float stiffness) {
    std::vector<TMass*> parts;
    if (!MassesIn(slots, parts)) return -1;
    core::Ref<TConstraint> c = TConstraint::CreateShape(parts, stiffness);
    return c ? cons.Add(c) : -1;
}

int TAdvBody::ConAddSkin(const std::vector<int>& slots, bool closed) {
    std::vector<TMass*> parts;
    if (!MassesIn(slots, parts)) return -1;
    core::Ref<TConstraint> c = TConstraint::CreateSkin(parts, closed);
    return c ? cons.Add(c) : -1;
}

// Every pair of present masses once, in the order (0, 1), (0, 2), ... (1, 2), ...
int TAdvBody::ConAddAll(float stiffness) {
    if (!detail::AllFinite(stiffness)) return -1;
    const int n = mIndex;
    for (int i = 0; i < n; ++i) {
        for (int j = i; j < n; ++j) ConAdd(i, j, -1, stiffness);
    }
    return 0;
}

// Rigs turned by the constraint go first; then it leaves this body's
// constraints in the world.
int TAdvBody::ConRemove(int i) {
    core::Ref<TConstraint> c = cons.Get(i);
    if (!c) return 0;
    rigs.ForEach([&](int r, TRig* rig) {
        if (rig->con == c) RigRemove(r);
    });
    ConFree(i);
    cons.Empty(i);
    return 0;
}

int TAdvBody::RigAdd(int image, int mass, int con, float angle) {
    draw2d::TImage* img = images.Get(image);
    TMass* m = masses.Get(mass);
    if (!img || !m) return -1;
    TConstraint* c = con < 0 ? nullptr : cons.Get(con);
    core::Ref<TRig> rig = TRig::Create(img, m, c, angle);
    return rig ? rigs.Add(rig) : -1;
}

int TAdvBody::RigSetImage(int i, int image) {
    TRig* rig = rigs.Get(i);
    if (draw2d::TImage* img = images.Get(image); rig && img) rig->SetImage(img);
    return 0;
}

int TAdvBody::RigSetMass(int i, int mass) {
    TRig* rig = rigs.Get(i);
    if (TMass* m = masses.Get(mass); rig && m) rig->SetMass(m);
    return 0;
}

int TAdvBody::RigSetConstraint(int i, int con) {
    if (TRig* rig = rigs.Get(i)) rig->SetConstraint(con == -1 ? nullptr : cons.Get(con));
    return 0;
}

int TAdvBody::ImageAdd(draw2d::TImage* image) { return image ? images.Add(image) : -1; }

int TAdvBody::ImageAdd(const draw2d::PixmapSource& source) {
    return ImageAdd(draw2d::LoadImage(source, -1));
}

int TAdvBody::ImageRemove(int i) {
    core::Ref<draw2d::TImage> image = images.Get(i);
    if (!image) return 0;
    rigs.ForEach([&](int r, TRig* rig) {
        if (rig->image == image) RigRemove(r);
    });
    images.Empty(i);
    return 0;
}

// Only slots in use can take the image: a slot at or beyond the count must
// stay empty, or the table would hold a part no index reaches.
int TAdvBody::ImageReplace(int i, draw2d::TImage* image) {
    if (!image || i < 0 || i >= iIndex) return 0;
    if (draw2d::TImage* old = images.Get(i)) {
        rigs.ForEach([&](int, TRig* rig) {
            if (rig->image == old) rig->SetImage(image);
        });
    }
    images.Put(i, image);
    return 1;
}

int TAdvBody::ImageReplace(int i, const draw2d::PixmapSource& source) {
    return ImageReplace(i, draw2d::LoadImage(source, -1));
}

} // namespace kel::tangle
