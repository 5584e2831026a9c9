#include "physics/quadtree.h"

#include <cmath>

#include "physics/zones/zone_winding.h"

namespace kel::tangle {

namespace {

// The zone styles (LOOP, 1, needs no test of its own here).
constexpr int kLine = 0, kFill = 2, kHole = 3;

// Children of a node are always quadtree nodes: a plain link walk, no
// references taken, nothing allocated.
template <class F> inline bool AnyChild(const core::TList& list, F&& test) {
    for (core::TLink* l = list.FirstLink(); l; l = l->NextLink()) {
        if (const TQuadTree* child = core::As<TQuadTree>(l->Value())) {
            if (test(*child)) return true;
        }
    }
    return false;
}

struct Box {
    float left, top, right, bottom;

    bool HasInside(float x, float y) const {
        return left < x && x < right && top < y && y < bottom;
    }
    bool TouchesEdge(float px, float py, float qx, float qy) const {
        return TQuadTree::SegmentsCross(px, py, qx, qy, left, top, right, top) ||
               TQuadTree::SegmentsCross(px, py, qx, qy, left, top, left, bottom) ||
               TQuadTree::SegmentsCross(px, py, qx, qy, right, top, right, bottom) ||
               TQuadTree::SegmentsCross(px, py, qx, qy, left, bottom, right, bottom);
    }
};

} // namespace

int TQuadTree::SegmentsCross(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                             float y4) {
    // Twice the difference of the midpoints, and the meeting point's place
    // along each segment on a -1 ... 1 scale (times den).
    const float a = (x3 - x1 + x4) - x2;
    const float b = (y3 - y1 + y4) - y2;
    const float dx1 = x2 - x1, dy1 = y2 - y1;
    const float dx2 = x4 - x3, dy2 = y4 - y3;
    const float den = std::fabs(dy1 * dx2 - dy2 * dx1);
    const float ua = dx2 * b - dy2 * a;
    if (!(std::fabs(ua) <= den)) return 0;
    const float ub = dx1 * b - dy1 * a;
    return std::fabs(ub) <= den ? 1 : 0;
}

bool TQuadTree::Covers(const std::vector<float>& area, int style, float posX, float posY,
                       float sizeX, float sizeY) {
    if (style < kLine || style > kHole) return false;
    const int n = static_cast<int>(area.size() / 2);
    if (n < 1) return false;
    const float* v = area.data();
    const Box box{posX, posY, posX + sizeX, posY + sizeY};

    for (int k = 0; k < n; ++k) {
        if (box.HasInside(v[2 * k], v[2 * k + 1])) return true;
    }
    // An open polyline starts at vertex 0; closed shapes start with the
    // closing edge from the last vertex.
    int k = style == kLine ? 1 : 0;
    float px = v[style == kLine ? 0 : 2 * (n - 1)];
    float py = v[style == kLine ? 1 : 2 * (n - 1) + 1];
    for (; k < n; ++k) {
        const float qx = v[2 * k], qy = v[2 * k + 1];
        if (box.TouchesEdge(px, py, qx, qy)) return true;
        px = qx;
        py = qy;
    }
    // No edge touches the box, so one corner tells whether all of it is
    // inside or outside.
    if (style == kFill) return TWinding::Contains(v, n, box.left, box.top);
    if (style == kHole) return !TWinding::Contains(v, n, box.left, box.top);
    return false;
}

core::Ref<TQuadTree> TQuadTree::Create(const std::vector<float>& area, int style, float posX,
                                       float posY, float sizeX, float sizeY, int level) {
    core::Ref<TQuadTree> root = Build(area, style, posX, posY, sizeX, sizeY, level);
    if (root) root->Pack();
    return root;
}

core::Ref<TQuadTree> TQuadTree::Build(const std::vector<float>& area, int style, float posX,
                                      float posY, float sizeX, float sizeY, int level) {
    if (!Covers(area, style, posX, posY, sizeX, sizeY)) return nullptr;
    core::Ref<TQuadTree> node = core::Make<TQuadTree>();
    node->posX = posX;
    node->posY = posY;
    node->sizeX = sizeX;
    node->sizeY = sizeY;
    if (level > MAX_LEVEL) level = MAX_LEVEL;
    --level;
    if (level <= 0) return node;

    const float hx = sizeX / 2, hy = sizeY / 2;
    const float corners[4][2] = {
        {posX, posY}, {posX + hx, posY}, {posX, posY + hy}, {posX + hx, posY + hy}};
    int leafQuarters = 0;
    for (const auto& c : corners) {
        core::Ref<TQuadTree> quarter = Build(area, style, c[0], c[1], hx, hy, level);
        if (!quarter) continue;
        if (quarter->childList->IsEmpty()) ++leafQuarters;
        node->childList->AddLast(quarter);
    }
    // Four covered quarters say no more than one covered box.
    if (leafQuarters == 4) node->childList->Clear();
    return node;
}

void TQuadTree::Pack() {
    packed_.clear();
    PackInto(packed_);
    packed_.shrink_to_fit();
}

void TQuadTree::PackInto(std::vector<TPackedNode>& nodes) const {
    const std::size_t at = nodes.size();
    nodes.push_back({posX, posY, sizeX, sizeY, 0});
    AnyChild(*childList, [&](const TQuadTree& child) {
        child.PackInto(nodes);
        return false;
    });
    nodes[at].end = static_cast<std::uint32_t>(nodes.size());
}


int TQuadTree::CollidePacked(float offsetX, float offsetY, float qx0, float qy0, float qx1,
                             float qy1, int missResult) const {
    // The root answers the caller's result for a miss; below it a missed
    // box is known to be free, and a leaf that is not missed is a hit.
    const TPackedNode* nodes = packed_.data();
    if (Misses(nodes[0], offsetX, offsetY, qx0, qy0, qx1, qy1)) return missResult;
    const std::uint32_t count = nodes[0].end;
    if (count == 1) return 1;
    for (std::uint32_t k = 1; k < count;) {
        const TPackedNode& node = nodes[k];
        if (Misses(node, offsetX, offsetY, qx0, qy0, qx1, qy1))
            k = node.end;
        else if (node.end == k + 1)
            return 1;
        else
            ++k;
    }
    return 0;
}

bool TQuadTree::Misses(float offsetX, float offsetY, float qx, float qy, float qsize) const {
    // Boxes that only touch do not miss.
    return Misses({posX, posY, sizeX, sizeY, 0}, offsetX, offsetY, qx, qy, qx + qsize, qy + qsize);
}

bool TQuadTree::HitsWithin(float offsetX, float offsetY, float qx, float qy, float qsize) const {
    if (childList->IsEmpty()) return true;
    return AnyChild(*childList, [&](const TQuadTree& child) {
        return !child.Misses(offsetX, offsetY, qx, qy, qsize) &&
               child.HitsWithin(offsetX, offsetY, qx, qy, qsize);
    });
}

int TQuadTree::Collide(float offsetX, float offsetY, float qx, float qy, float qsize,
                       int missResult) const {
    if (!packed_.empty())
        return CollidePacked(offsetX, offsetY, qx, qy, qx + qsize, qy + qsize, missResult);
    // Only the root answers the caller's result for a miss; below it a
    // missing box is known to be free.
    if (Misses(offsetX, offsetY, qx, qy, qsize)) return missResult;
    return HitsWithin(offsetX, offsetY, qx, qy, qsize) ? 1 : 0;
}

int TQuadTree::CollideBox(float offsetX, float offsetY, float left, float top, float right,
                          float bottom, int missResult) const {
    if (!packed_.empty())
        return CollidePacked(offsetX, offsetY, left, top, right, bottom, missResult);
    // A tree made by hand: the square around the box, which can only hit more.
    return Collide(offsetX, offsetY, left, top, std::fmax(right - left, bottom - top),
                   missResult);
}

int TQuadTree::NodeCount() const {
    int count = 1;
    AnyChild(*childList, [&](const TQuadTree& child) {
        count += child.NodeCount();
        return false;
    });
    return count;
}

} // namespace kel::tangle
