// Builders (rope, cloth, jelly, blob, any outline) and the bodies they make.

#include <exception>

#include "js/binding/binding.h"
#include "js/binding/c_api.h"
#include "js/binding/codes.h"
#include "js/binding/exports.h"

using namespace js_binding;

namespace {

// Reads a definition's fields from the input buffer in order.
class TFields {
  public:
    explicit TFields(const std::vector<double>& in) : in_(in) {}
    bool Ok() const { return ok_; }
    float F() { return static_cast<float>(Next()); }
    int I() { return static_cast<int>(Next()); }
    bool B() { return Next() != 0; }
    void Material(TMaterial& m) {
        m.mass = F();
        m.radius = F();
        m.friction = F();
        m.stiffness = F();
        m.colGroup = I();
        m.compliance = F();
        m.damping = F();
    }

  private:
    double Next() {
        if (at_ >= in_.size()) {
            ok_ = false;
            return 0;
        }
        return in_[at_++];
    }
    const std::vector<double>& in_;
    std::size_t at_ = 0;
    bool ok_ = true;
};

// A builder (TBuilder) and its definition's fields, in the order the
// wrapper writes them.
core::Ref<TAdvBody> Build(int kind, TFields& f) {
    switch (kind) {
    case kBuildRope: {
        TRopeDef d;
        d.x1 = f.F(), d.y1 = f.F(), d.x2 = f.F(), d.y2 = f.F();
        d.count = f.I(), d.segmentLength = f.F();
        d.freezeStart = f.B(), d.freezeEnd = f.B(), d.skin = f.B();
        f.Material(d.material);
        return f.Ok() ? BuildRope(d) : nullptr;
    }
    case kBuildCloth: {
        TClothDef d;
        d.x = f.F(), d.y = f.F(), d.columns = f.I(), d.rows = f.I(), d.spacing = f.F();
        d.pinTop = f.B(), d.shear = f.B(), d.bend = f.B(), d.skin = f.B();
        f.Material(d.material);
        return f.Ok() ? BuildCloth(d) : nullptr;
    }
    case kBuildJelly: {
        TJellyDef d;
        d.x = f.F(), d.y = f.F(), d.radius = f.F(), d.rim = f.I();
        d.interior = f.I() != 0 ? TJellyDef::MESH : TJellyDef::SPOKES;
        d.braces = f.B(), d.innerStiffness = f.F(), d.innerCompliance = f.F(), d.skin = f.B();
        f.Material(d.material);
        return f.Ok() ? BuildJelly(d) : nullptr;
    }
    case kBuildBlob: {
        TBlobDef d;
        d.x = f.F(), d.y = f.F(), d.radius = f.F(), d.rim = f.I(), d.restArea = f.F();
        d.pressure = f.F(), d.pressureCompliance = f.F(), d.skin = f.B();
        f.Material(d.material);
        return f.Ok() ? BuildBlob(d) : nullptr;
    }
    case kBuildShape: {
        TShapeDef d;
        d.spacing = f.F(), d.fill = f.B(), d.shapeStiffness = f.F(), d.shapeCompliance = f.F();
        d.pressure = f.F(), d.pressureCompliance = f.F(), d.skin = f.B();
        f.Material(d.material);
        const int points = f.I();
        if (points < 0 || points > 1 << 20) return nullptr;
        for (int k = 0; k < 2 * points; ++k) d.outline.push_back(f.F());
        return f.Ok() ? BuildShape(d) : nullptr;
    }
    default: return nullptr;
    }
}

} // namespace

extern "C" {

TG_EXPORT double tg_build(double world, int kind) {
    TJsWorld* w = WorldOf(world);
    if (!w) return 0;
    try {
        TFields fields(Input());
        core::Ref<TAdvBody> body = Build(kind, fields);
        if (!body) return Refuse(0, "the definition cannot make a shape");
        body->Activate();
        w->structureChanged = true;
        return w->bodies.Hold(body);
    } catch (const std::exception& e) {
        return Refuse(0, e.what());
    }
}

// A body's masses (which kKindMass) or constraints (kKindConstraint) by slot, to the result
// buffer (0 for an empty slot); their count.
TG_EXPORT int tg_body_parts(double world, double body, int which) {
    TJsWorld* w = WorldOf(world);
    const TAdvBody* b = w ? w->bodies.Find(body) : nullptr;
    if (!b) return Refuse(-1, "no such body in this world");
    w->out.clear();
    if (which == kKindMass) {
        for (int k = 0; k <= b->MassMaxIndex(); ++k) w->out.push_back(w->masses.Hold(b->MassGet(k)));
    } else {
        for (int k = 0; k <= b->ConMaxIndex(); ++k)
            w->out.push_back(w->constraints.Hold(b->ConGet(k)));
    }
    return static_cast<int>(w->out.size());
}

// A body's operation (TBodyAction); tearing returns the count torn.
TG_EXPORT int tg_body_do(double world, double body, int what, double a, double b) {
    TJsWorld* w = WorldOf(world);
    TAdvBody* body_ = w ? w->bodies.Find(body) : nullptr;
    if (!body_) return Refuse(-1, "no such body in this world");
    const float fa = static_cast<float>(a), fb = static_cast<float>(b);
    int result = -1;
    switch (what) {
    case kBodyTranslate: result = body_->Translate(fa, fb); break;
    case kBodyPush: result = body_->Move(fa, fb); break;
    case kBodyMoveTo: result = body_->Position(fa, fb); break;
    case kBodyRotateTo: result = body_->Rotate(fa); break;
    case kBodyTurn: result = body_->Turn(fa); break;
    case kBodySpin: result = body_->Spin(fa); break;
    case kBodyTear:
        w->structureChanged = true;
        return TearStretched(*body_, fa);
    default: return Refuse(-1, "no such operation");
    }
    return result == 0 ? 0 : Refuse(-1, "the body refused the value");
}

TG_EXPORT double tg_body_get(double world, double body, int what) {
    TJsWorld* w = WorldOf(world);
    const TAdvBody* b = w ? w->bodies.Find(body) : nullptr;
    if (!b) return 0;
    switch (what) {
    case kBodyX: return b->GetX();
    case kBodyY: return b->GetY();
    case kBodyRotation: return b->GetRotation();
    default: return 0;
    }
}

} // extern "C"
