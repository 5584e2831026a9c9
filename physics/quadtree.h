#pragma once
// TQuadTree: which boxes of a zone's neighbourhood may hold part of its solid
// matter or outline. Built in zone-local coordinates, so a zone that moves
// keeps its tree and passes its offset to every query.

#include <cstdint>
#include <typeinfo>
#include <vector>

#include "core/list.h"
#include "core/object.h"

namespace core {
class TStream;
}

namespace kel::tangle {

/// One node of a zone's quadtree: a box and its covered quarters (see the file's notes).
class TQuadTree final : public core::Object {
  public:
    /// Deepest tree Create builds, whatever level it is asked for: below this
    /// the boxes are finer than any contact needs, and each further level could
    /// multiply the node count by four.
    static constexpr int MAX_LEVEL = 16;
    /// Deepest tree Read accepts (trees written by other builds may go deeper
    /// than MAX_LEVEL, but not this deep: float boxes stop halving long before).
    static constexpr int MAX_READ_DEPTH = 64;

    ///@{
    /// The box's top-left corner, zone-local.
    float posX = 0, posY = 0;
    ///@}
    ///@{
    /// The box's size.
    float sizeX = 0, sizeY = 0;
    ///@}
    /// Covered quarters in the order top-left, top-right, bottom-left,
    /// bottom-right; empty for a covered leaf. A tree that Create or Read
    /// made keeps a packed copy of its boxes at the root, which Collide
    /// reads: change such a tree by making a new one, not in place.
    core::Ref<core::TList> childList = core::CreateList();

    /// Exact class test for list walks.
    static bool IsKind(const core::Object* o) { return typeid(*o) == typeid(TQuadTree); }

    /// Whether segment (x1, y1)-(x2, y2) meets (x3, y3)-(x4, y4), touching
    /// included; two segments on one line always count as meeting.
    static int SegmentsCross(float x1, float y1, float x2, float y2, float x3, float y3, float x4,
                             float y4);
    /// Whether the box may touch the vertices (x, y pairs) for the zone style.
    static bool Covers(const std::vector<float>& area, int style, float posX, float posY,
                       float sizeX, float sizeY);

    /// The tree of the box over area for the style, or null when the box is
    /// not covered. Levels of 1 or less give a single node.
    static core::Ref<TQuadTree> Create(const std::vector<float>& area, int style, float posX,
                                       float posY, float sizeX, float sizeY, int level);

    /// Whether the square (qx, qy, side qsize) touches a covered box of the
    /// tree placed at (offsetX, offsetY); missResult answers for a square that
    /// misses the root box. Allocates nothing.
    virtual int Collide(float offsetX, float offsetY, float qx, float qy, float qsize,
                        int missResult) const;
    /// Collide for the box from (left, top) to (right, bottom), which need not
    /// be square. Allocates nothing.
    int CollideBox(float offsetX, float offsetY, float left, float top, float right,
                   float bottom, int missResult) const;
    /// Draws the covered leaves placed at (x, y): filled boxes, or outlined
    /// with a cross.
    virtual int Draw(float x, float y, int fill) const;
    /// Pre-order: four floats, the child count, the children.
    virtual int Write(core::TStream* stream) const;
    /// Null for a tree the stream cannot really hold: truncated, deeper than
    /// MAX_READ_DEPTH, more than four children to a node, or more nodes than
    /// the bytes left could describe.
    static core::Ref<TQuadTree> Read(core::TStream* stream);

    /// Number of nodes in the tree.
    int NodeCount() const;

  private:
    // A node's box, in pre-order, with the index just past its subtree
    // (the next one for a leaf): the walk skips a missed subtree in one
    // jump and follows no pointers.
    struct TPackedNode {
        float posX, posY, sizeX, sizeY;
        std::uint32_t end;
    };
    std::vector<TPackedNode> packed_; // the root's of a tree that Create or Read made

    static core::Ref<TQuadTree> Build(const std::vector<float>& area, int style, float posX,
                                      float posY, float sizeX, float sizeY, int level);
    void Pack();
    void PackInto(std::vector<TPackedNode>& nodes) const;
    int CollidePacked(float offsetX, float offsetY, float qx0, float qy0, float qx1, float qy1,
                      int missResult) const;
    // Boxes that only touch do not miss.
    static bool Misses(const TPackedNode& box, float offsetX, float offsetY, float qx0,
                       float qy0, float qx1, float qy1) {
        const float left = offsetX + box.posX, top = offsetY + box.posY;
        const float right = left + box.sizeX, bottom = top + box.sizeY;
        return (left > qx1) | (right < qx0) | (top > qy1) | (bottom < qy0);
    }
    bool Misses(float offsetX, float offsetY, float qx, float qy, float qsize) const;
    /// Whether a covered leaf at or below this node touches the square.
    bool HitsWithin(float offsetX, float offsetY, float qx, float qy, float qsize) const;
};

} // namespace kel::tangle
