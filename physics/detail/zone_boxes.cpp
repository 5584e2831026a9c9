#include "physics/detail/zone_boxes.h"

#include <algorithm>
#include <cmath>

#include "physics/world.h"
#include "physics/zone.h"

namespace kel::tangle::detail {

void TZoneBoxes::Build() {
    boxes_.clear();
    always_.clear();
    starts_.clear();
    inBucket_.clear();
    if (!zoneList) return;
    constexpr float kEverywhere = 3.0e38f;
    for (TZoneBase* z : zoneList->Each<TZoneBase>()) {
        TZoneBox box{-kEverywhere,
                     -kEverywhere,
                     kEverywhere,
                     kEverywhere,
                     z,
                     static_cast<float>(z->colGroup),
                     false};
        bool placed = false;
        if (const TZone* zone = core::As<TZone>(z)) {
            // Styles that hold nothing, and trees that cover nothing but for
            // a HOLE, never touch a mass.
            if (zone->style < TZone::LINE || zone->style > TZone::HOLE) continue;
            box.hole = zone->style == TZone::HOLE;
            if (const TQuadTree* tree = zone->quadTree) {
                // As the tree places its root.
                box.x0 = zone->offsetX + tree->posX;
                box.y0 = zone->offsetY + tree->posY;
                box.x1 = box.x0 + tree->sizeX;
                box.y1 = box.y0 + tree->sizeY;
                placed = std::isfinite(box.x0) && std::isfinite(box.y0) && std::isfinite(box.x1) &&
                         std::isfinite(box.y1);
            } else if (!box.hole) {
                continue;
            }
        }
        if (box.hole || !placed) always_.push_back(static_cast<std::uint32_t>(boxes_.size()));
        boxes_.push_back(box);
    }
    // The buckets cover the boxes of the zones that are not always visited.
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool any = false;
    std::size_t a = 0;
    for (std::uint32_t k = 0; k < boxes_.size(); ++k) {
        if (a < always_.size() && always_[a] == k) {
            ++a;
            continue;
        }
        const TZoneBox& z = boxes_[k];
        x0 = any ? std::min(x0, z.x0) : z.x0;
        y0 = any ? std::min(y0, z.y0) : z.y0;
        x1 = any ? std::max(x1, z.x1) : z.x1;
        y1 = any ? std::max(y1, z.y1) : z.y1;
        any = true;
    }
    if (!any || !(x1 > x0) || !(y1 > y0)) return;
    left_ = x0;
    top_ = y0;
    perX_ = kSide / (x1 - x0);
    perY_ = kSide / (y1 - y0);
    // Counted, then filled, bucket by bucket in list order.
    starts_.assign(kSide * kSide + 1, 0);
    auto each = [&](auto&& use) {
        a = 0;
        for (std::uint32_t k = 0; k < boxes_.size(); ++k) {
            if (a < always_.size() && always_[a] == k) {
                ++a;
                continue;
            }
            const TZoneBox& z = boxes_[k];
            const int bx0 = std::max(BucketX(z.x0), 0), bx1 = BucketX(z.x1);
            const int by0 = std::max(BucketY(z.y0), 0), by1 = BucketY(z.y1);
            for (int by = by0; by <= by1; ++by)
                for (int bx = bx0; bx <= bx1; ++bx)
                    use(static_cast<std::size_t>(by * kSide + bx), k);
        }
    };
    each([&](std::size_t b, std::uint32_t) { ++starts_[b + 1]; });
    for (std::size_t b = 0; b < kSide * kSide; ++b) starts_[b + 1] += starts_[b];
    inBucket_.resize(starts_.back());
    fill_.assign(starts_.begin(), starts_.end() - 1);
    each([&](std::size_t b, std::uint32_t k) { inBucket_[fill_[b]++] = k; });
}

// The bucket of a place; -1 left of (or above) the buckets, and the last
// one at and beyond their far side, where the boxes end too.
int TZoneBoxes::BucketX(float x) const {
    const float at = (x - left_) * perX_;
    if (!(at >= 0)) return -1;
    return at < kSide ? static_cast<int>(at) : kSide - 1;
}

int TZoneBoxes::BucketY(float y) const {
    const float at = (y - top_) * perY_;
    if (!(at >= 0)) return -1;
    return at < kSide ? static_cast<int>(at) : kSide - 1;
}

} // namespace kel::tangle::detail
