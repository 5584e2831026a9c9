#pragma once
// What the builders share: checks of a definition's numbers, and a writer
// that adds one shape's masses and links to a fresh body.

#include <utility>
#include <vector>

#include "core/object.h"
#include "physics/advbody.h"
#include "physics/builders.h"
#include "physics/step/finite.h"

namespace kel::tangle::detail {

// More masses than this make no shape: the slot numbers would not fit.
constexpr long long kMostMasses = 1 << 24;

inline bool Finite(float v) { return AllFinite(v); }

inline bool Buildable(const TMaterial& m) {
    return AllFinite(m.mass, m.radius, m.friction, m.stiffness, m.compliance, m.damping) &&
           m.mass > 0 && m.radius >= 0;
}

// How stiff one family of links is: a per-pass stiffness, or a compliance
// when it is 0 or more.
struct TLinkKind {
    float stiffness;
    float compliance;
};

inline TLinkKind LinksOf(const TMaterial& m) { return {m.stiffness, m.compliance}; }

// Adds the parts of one shape to a fresh body: every mass in the shape's
// one collision group, every link of a given kind at its distance as built.
// A part the body refuses (a place computed from finite numbers can still
// overflow) makes the whole shape none, rather than a body with a gap.
class TShapeWriter {
  public:
    TShapeWriter(const char* name, const TMaterial& material)
        : body_(core::Make<TAdvBody>()), material_(material),
          group_(material.colGroup == -1 ? TakeAutoColGroup() : material.colGroup) {
        body_->SetName(name);
    }

    int Mass(float x, float y) {
        return Check(
            body_->MassAdd(x, y, material_.mass, material_.radius, material_.friction, group_));
    }

    int Link(int a, int b, const TLinkKind& kind) {
        const int slot = Check(body_->ConAdd(a, b, 0, kind.stiffness));
        if (kind.compliance >= 0) Compliance(slot, kind.compliance);
        return slot;
    }

    // Makes the constraint in `slot` a spring of the material's damping.
    void Compliance(int slot, float compliance) {
        Check(body_->ConSetCompliance(slot, compliance, material_.damping));
    }

    // A slot, or the result of a setter, that the body gave back; -1 spoils
    // the shape.
    int Check(int result) {
        if (result < 0) failed_ = true;
        return result;
    }

    // A skin over `count` masses from slot `first` on, in slot order.
    void Skin(int first, int count, bool closed) {
        std::vector<int> slots(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) slots[static_cast<std::size_t>(k)] = first + k;
        Check(body_->ConAddSkin(slots, closed));
    }

    TAdvBody& Body() { return *body_; }
    core::Ref<TAdvBody> Finish() { return failed_ ? nullptr : std::move(body_); }

  private:
    core::Ref<TAdvBody> body_;
    TMaterial material_;
    int group_;
    bool failed_ = false;
};

} // namespace kel::tangle::detail
