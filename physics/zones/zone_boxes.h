#pragma once
// The zones as a sweep looks at them first: each zone's box, outside which
// it has no matter (a HOLE no free space), taken at a step's start for its
// quiet passes, in which nothing can change a zone. The boxes are also
// sorted into a coarse grid of buckets, so that a path that lies in one
// bucket looks at the zones of that bucket only, not at every zone.

#include <cstdint>
#include <vector>

#include "core/list.h"

#include "physics/contacts/swept_disc.h"

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
    // Takes every zone of the current world's list, in its order, unless
    // none changed since the last call.
    void Build(const core::TList* zones);
    // Calls visit(box) for every zone whose box the path box may meet, in
    // list order: a zone left out lies wholly outside the path box, or is a
    // HOLE whose free space holds the path's whole bucket.
    template <class F> void ForEachNear(const TPathBox& path, F&& visit) const;

  private:
    static constexpr int kSide = 16; // buckets along each axis
    int BucketX(float x) const;
    int BucketY(float y) const;

    std::vector<TZoneBox> boxes_;
    // Per bucket, row by row, the zones a path in it may meet, in list
    // order: bucket b's are indices [starts_[b], starts_[b + 1]).
    std::vector<std::uint32_t> starts_, inBucket_;
    std::vector<std::uint32_t> fill_; // where each bucket's next zone goes, while building
    std::vector<bool> everywhere_;    // per zone, while building: met in every bucket
    // The buckets cover the boxes of the zones other than HOLEs.
    float left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
    float perX_ = 0, perY_ = 0; // buckets per unit
    // The zones the buckets were made from (see Build).
    std::uint64_t signature_ = 0;
    bool built_ = false;
};

template <class F> void TZoneBoxes::ForEachNear(const TPathBox& path, F&& visit) const {
    const int bx = BucketX(path.x0), by = BucketY(path.y0);
    if (starts_.empty() || bx < 0 || by < 0 || bx != BucketX(path.x1) || by != BucketY(path.y1) ||
        !(path.x1 <= right_) || !(path.y1 <= bottom_)) {
        for (const TZoneBox& z : boxes_) visit(z);
        return;
    }
    const std::size_t b = static_cast<std::size_t>(by * kSide + bx);
    for (std::uint32_t k = starts_[b]; k < starts_[b + 1]; ++k) visit(boxes_[inBucket_[k]]);
}

} // namespace kel::tangle::detail
