#include "physics/contacts/stacking.h"

#include <cmath>

#include "physics/mass.h"

namespace kel::tangle::detail {

void TStacking::SlowDown(const std::vector<TMass*>& order, int n) {
    const float scale = 1.0f / static_cast<float>(n);
    slowed_.clear();
    for (TMass* m : order) {
        if (m->frozen) continue;
        m->oldPosX = m->posX - (m->posX - m->oldPosX) * scale;
        m->oldPosY = m->posY - (m->posY - m->oldPosY) * scale;
        slowed_.emplace_back(m);
    }
}

void TStacking::SpeedUp(int n) {
    const float scale = static_cast<float>(n);
    for (TMass* m : slowed_) {
        if (m->frozen) continue;
        m->oldPosX = m->posX - (m->posX - m->oldPosX) * scale;
        m->oldPosY = m->posY - (m->posY - m->oldPosY) * scale;
    }
    slowed_.clear();
}

void TStacking::BeforeContacts(const std::vector<TMass*>& order) {
    swept_.assign(order.begin(), order.end());
    before_.resize(order.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        const TMass* m = order[k];
        before_[k] = {m->posX, m->posY, m->posX - m->oldPosX, m->posY - m->oldPosY};
    }
}

void TStacking::AfterContacts() {
    for (std::size_t k = 0; k < swept_.size(); ++k) {
        TMass* m = swept_[k];
        const Before& b = before_[k];
        const float dx = m->posX - b.x, dy = m->posY - b.y;
        const float pushed = std::sqrt(dx * dx + dy * dy);
        if (!(pushed > 0) || !std::isfinite(pushed)) continue;
        // Along the push: the speed it had, and the speed it has now.
        const float nx = dx / pushed, ny = dy / pushed;
        const float had = b.vx * nx + b.vy * ny;
        const float has = (m->posX - m->oldPosX) * nx + (m->posY - m->oldPosY) * ny;
        // Stopping an approach is the contacts' to do; moving off faster
        // than the mass already did is not.
        const float kept = std::fmin(has, std::fmax(0.0f, had));
        m->oldPosX += nx * (has - kept);
        m->oldPosY += ny * (has - kept);
    }
    swept_.clear();
}

} // namespace kel::tangle::detail
