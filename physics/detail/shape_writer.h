#pragma once
// What the builders share: checks of a definition's numbers, and a writer
// that adds one shape's masses and links to a fresh body.

#include <cmath>
#include <utility>
#include <vector>

#include "core/object.h"
#include "physics/advbody.h"
#include "physics/builders.h"

namespace kel::tangle::detail {

// More masses than this make no shape: the slot numbers would not fit.
constexpr long long kMostMasses = 1 << 24;

inline bool Finite(float v) { return std::isfinite(v); }

inline bool Buildable(const TMaterial& m) {
    return Finite(m.mass) && m.mass > 0 && Finite(m.radius) && m.radius >= 0 &&
           Finite(m.friction) && Finite(m.stiffness) && !std::isnan(m.compliance) &&
           Finite(m.damping);
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
class TShapeWriter {
  public:
    TShapeWriter(const char* name, const TMaterial& material)
        : body_(core::Make<TAdvBody>()), material_(material),
          group_(material.colGroup == -1 ? TakeAutoColGroup() : material.colGroup) {
        body_->SetName(name);
    }

    int Mass(float x, float y) {
        return body_->MassAdd(x, y, material_.mass, material_.radius, material_.friction, group_);
    }

    int Link(int a, int b, const TLinkKind& kind) {
        const int slot = body_->ConAdd(a, b, 0, kind.stiffness);
        if (kind.compliance >= 0) body_->ConSetCompliance(slot, kind.compliance, material_.damping);
        return slot;
    }

    // A skin over `count` masses from slot `first` on, in slot order.
    void Skin(int first, int count, bool closed) {
        std::vector<int> slots(static_cast<std::size_t>(count));
        for (int k = 0; k < count; ++k) slots[static_cast<std::size_t>(k)] = first + k;
        body_->ConAddSkin(slots, closed);
    }

    TAdvBody& Body() { return *body_; }
    core::Ref<TAdvBody> Finish() { return std::move(body_); }

  private:
    core::Ref<TAdvBody> body_;
    TMaterial material_;
    int group_;
};

} // namespace kel::tangle::detail
