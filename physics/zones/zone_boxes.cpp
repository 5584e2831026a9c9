#include "physics/zones/zone_boxes.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "physics/world.h"
#include "physics/zone.h"

namespace kel::tangle::detail {

namespace {

std::uint64_t Mix(std::uint64_t h, std::uint64_t v) {
    h ^= v;
    return h * 0x100000001b3ull;
}

std::uint64_t Bits(float f) { return std::bit_cast<std::uint32_t>(f); }

// What the buckets are made from: each zone, its place, group, style, tree
// and its level, and every vertex (a HOLE's free space depends on all of them).
std::uint64_t SignatureOfZones(const core::TList* zones) {
    std::uint64_t h = 0xcbf29ce484222325ull;
    if (!zones) return h;
    for (const TZoneBase* z : zones->Each<TZoneBase>()) {
        h = Mix(h, reinterpret_cast<std::uintptr_t>(z));
        h = Mix(h, static_cast<std::uint32_t>(z->colGroup));
        const TZone* zone = core::As<TZone>(const_cast<TZoneBase*>(z));
        if (!zone) continue;
        h = Mix(h, reinterpret_cast<std::uintptr_t>(zone->quadTree.Get()));
        h = Mix(h, static_cast<std::uint32_t>(zone->style));
        h = Mix(h, static_cast<std::uint32_t>(zone->qtLevel));
        for (float f : {zone->offsetX, zone->offsetY}) h = Mix(h, Bits(f));
        for (float f : zone->area) h = Mix(h, Bits(f));
    }
    return h;
}

} // namespace

void TZoneBoxes::Build(const core::TList* zones) {
    // Zones seldom change: the buckets of the last step serve until they do.
    const std::uint64_t signature = SignatureOfZones(zones);
    if (built_ && signature == signature_) return;
    built_ = true;
    signature_ = signature;
    boxes_.clear();
    starts_.clear();
    inBucket_.clear();
    if (!zones) return;
    constexpr float kEverywhere = 3.0e38f;
    // Zones that a path anywhere may meet: HOLEs, and zones without a box.
    std::vector<bool>& everywhere = everywhere_;
    everywhere.clear();
    for (TZoneBase* z : zones->Each<TZoneBase>()) {
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
        everywhere.push_back(box.hole || !placed);
        boxes_.push_back(box);
    }
    // The buckets cover the boxes of the other zones.
    bool any = false;
    for (std::size_t k = 0; k < boxes_.size(); ++k) {
        if (everywhere[k]) continue;
        const TZoneBox& z = boxes_[k];
        left_ = any ? std::min(left_, z.x0) : z.x0;
        top_ = any ? std::min(top_, z.y0) : z.y0;
        right_ = any ? std::max(right_, z.x1) : z.x1;
        bottom_ = any ? std::max(bottom_, z.y1) : z.y1;
        any = true;
    }
    if (!any || !(right_ > left_) || !(bottom_ > top_)) return;
    perX_ = kSide / (right_ - left_);
    perY_ = kSide / (bottom_ - top_);
    // Whether a HOLE's free space holds the whole of bucket (bx, by), grown
    // by a hundredth of a bucket for rounding: its tree has no covered box
    // there, and the bucket lies inside the tree's root.
    const float growX = 0.01f / perX_, growY = 0.01f / perY_;
    auto holeClearOf = [&](const TZoneBox& z, int bx, int by) {
        const auto* zone = static_cast<const TZone*>(z.zone);
        const float x0 = left_ + static_cast<float>(bx) / perX_ - growX;
        const float y0 = top_ + static_cast<float>(by) / perY_ - growY;
        const float x1 = left_ + static_cast<float>(bx + 1) / perX_ + growX;
        const float y1 = top_ + static_cast<float>(by + 1) / perY_ + growY;
        return core::As<TZone>(z.zone) && zone->quadTree && x0 >= z.x0 && x1 <= z.x1 &&
               y0 >= z.y0 && y1 <= z.y1 &&
               zone->quadTree->CollideBox(zone->offsetX, zone->offsetY, x0, y0, x1, y1, 1) == 0;
    };
    // Counted, then filled, bucket by bucket in list order.
    starts_.assign(kSide * kSide + 1, 0);
    auto each = [&](auto&& use) {
        for (std::uint32_t k = 0; k < boxes_.size(); ++k) {
            const TZoneBox& z = boxes_[k];
            int bx0 = 0, bx1 = kSide - 1, by0 = 0, by1 = kSide - 1;
            if (!everywhere[k]) {
                bx0 = std::max(BucketX(z.x0), 0);
                bx1 = BucketX(z.x1);
                by0 = std::max(BucketY(z.y0), 0);
                by1 = BucketY(z.y1);
            }
            for (int by = by0; by <= by1; ++by)
                for (int bx = bx0; bx <= bx1; ++bx) {
                    if (z.hole && holeClearOf(z, bx, by)) continue;
                    use(static_cast<std::size_t>(by * kSide + bx), k);
                }
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
