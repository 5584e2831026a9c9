#include "samples/mass_drag.h"

namespace samples {

using kel::tangle::TMass;

TMass* NearestMass(float x, float y, float reach) {
    if (!kel::tangle::massList) return nullptr;
    TMass* best = nullptr;
    float bestSq = reach * reach;
    for (TMass* m : kel::tangle::massList->Each<TMass>()) {
        const float dx = m->posX - x, dy = m->posY - y;
        const float sq = dx * dx + dy * dy;
        if (sq <= bestSq) {
            bestSq = sq;
            best = m;
        }
    }
    return best;
}

bool MassDrag::Grab(float x, float y, float reach) {
    Release();
    held_ = NearestMass(x, y, reach);
    if (held_) {
        wasFrozen_ = held_->IsFrozen();
        held_->Freeze();
    }
    targetX_ = x;
    targetY_ = y;
    return held_;
}

void MassDrag::MoveTo(float x, float y) {
    targetX_ = x;
    targetY_ = y;
}

void MassDrag::Apply() {
    if (!held_) return;
    // A mass the scene removed meanwhile is let go.
    if (!held_->InWorld()) {
        held_ = nullptr;
        return;
    }
    flingX_ = targetX_ - held_->posX;
    flingY_ = targetY_ - held_->posY;
    held_->Position(targetX_, targetY_);
}

void MassDrag::Release() {
    if (held_ && !wasFrozen_) {
        held_->Thaw();
        held_->SetVelocity(flingX_, flingY_);
    }
    held_ = nullptr;
    flingX_ = flingY_ = 0;
}

} // namespace samples
