#pragma once
// The zones as a sweep looks at them first: each zone's box, outside which
// it has no matter (a HOLE no free space), taken at a step's start for its
// quiet passes, in which nothing can change a zone. The boxes are also
// sorted into a coarse grid of buckets, so that a path that lies in one
// bucket looks at the zones of that bucket only, not at every zone.

#include <cstdint>
#include <vector>

#include "physics/detail/swept_disc.h"

namespace kel::tangle {
class TZoneBase;
}

namespace kel::tangle::detail {

struct TZoneBox {
    float x0, y0, x1, y1;
    TZoneBase* zone;
    float colGroup;
    bool hole;
};

class TZoneBoxes {
  public:
    // Takes every zone of the current world's list, in its order.
    void Build();
    // Calls visit(box) for every zone whose box the path box may meet, and
    // for every HOLE and every zone of a class of a program's own, in list
    // order; a zone left out lies wholly outside the path box.
    template <class F> void ForEachNear(const TPathBox& path, F&& visit) const;

  private:
    static constexpr int kSide = 16; // buckets along each axis
    int BucketX(float x) const;
    int BucketY(float y) const;

    std::vector<TZoneBox> boxes_;
    // Zones that every path visits: HOLEs and zones without a box.
    std::vector<std::uint32_t> always_;
    // Per bucket, row by row, the other zones whose box meets it, in list
    // order: bucket b's are indices [starts_[b], starts_[b + 1]).
    std::vector<std::uint32_t> starts_, inBucket_;
    std::vector<std::uint32_t> fill_; // where each bucket's next zone goes, while building
    float left_ = 0, top_ = 0, perX_ = 0, perY_ = 0; // buckets per unit
};

template <class F> void TZoneBoxes::ForEachNear(const TPathBox& path, F&& visit) const {
    const int bx = BucketX(path.x0), by = BucketY(path.y0);
    if (starts_.empty() || bx < 0 || by < 0 || bx != BucketX(path.x1) || by != BucketY(path.y1)) {
        for (const TZoneBox& z : boxes_) visit(z);
        return;
    }
    // The bucket's zones and the zones every path visits, merged in order.
    const std::size_t b = static_cast<std::size_t>(by * kSide + bx);
    const std::uint32_t* k = inBucket_.data() + starts_[b];
    const std::uint32_t* const kEnd = inBucket_.data() + starts_[b + 1];
    const std::uint32_t* a = always_.data();
    const std::uint32_t* const aEnd = a + always_.size();
    while (k != kEnd || a != aEnd) {
        const bool fromBucket = a == aEnd || (k != kEnd && *k < *a);
        visit(boxes_[fromBucket ? *k++ : *a++]);
    }
}

} // namespace kel::tangle::detail
