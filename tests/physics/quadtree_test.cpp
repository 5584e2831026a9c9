#include <gtest/gtest.h>

#include <vector>

#include "physics/quadtree.h"
#include "physics/zone.h"
#include "zone_test_stream.h"

using kel::tangle::TQuadTree;
using kel::tangle::TZone;
using zonetest::ByteStream;

namespace {

struct BoxRec {
    float x, y, w, h;
    bool operator==(const BoxRec&) const = default;
};

void Boxes(const TQuadTree& t, std::vector<BoxRec>& out) {
    out.push_back({t.posX, t.posY, t.sizeX, t.sizeY});
    for (TQuadTree* c : t.childList->Each<TQuadTree>()) Boxes(*c, out);
}

int Depth(const TQuadTree& t) {
    int d = 0;
    for (TQuadTree* c : t.childList->Each<TQuadTree>()) d = std::max(d, Depth(*c));
    return d + 1;
}

// The tree a zone would build: the bounding box grown by one unit.
core::Ref<TQuadTree> Build(const std::vector<float>& a, int style, int level) {
    float minX = a[0], maxX = a[0], minY = a[1], maxY = a[1];
    for (size_t k = 2; k < a.size(); k += 2) {
        minX = std::min(minX, a[k]);
        maxX = std::max(maxX, a[k]);
        minY = std::min(minY, a[k + 1]);
        maxY = std::max(maxY, a[k + 1]);
    }
    return TQuadTree::Create(a, style, minX - 1, minY - 1, maxX - minX + 2, maxY - minY + 2, level);
}

} // namespace

TEST(QuadTreeTest, SegmentsCrossCountsTouchingAndCollinear) {
    EXPECT_EQ(TQuadTree::SegmentsCross(0, 0, 10, 10, 0, 10, 10, 0), 1);  // an X
    EXPECT_EQ(TQuadTree::SegmentsCross(0, 0, 5, 0, 5, 0, 5, 5), 1);      // end meets end
    EXPECT_EQ(TQuadTree::SegmentsCross(0, 0, 10, 0, 5, 0, 5, 5), 1);     // end on the interior
    EXPECT_EQ(TQuadTree::SegmentsCross(0, 0, 4, 0, 6, 0, 9, 0), 1);      // one line, apart
    EXPECT_EQ(TQuadTree::SegmentsCross(0, 0, 10, 0, 0, 1, 10, 1), 0);    // parallel lines
    EXPECT_EQ(TQuadTree::SegmentsCross(0, 0, 10, 0, 5, 0.5f, 5, 5), 0);  // stops short
    EXPECT_EQ(TQuadTree::SegmentsCross(0, 0, 10, 10, 11, 11, 20, 0), 0); // past the end
}

TEST(QuadTreeTest, LineAtLevelOneIsOneLeafOverTheGrownBox) {
    core::Ref<TQuadTree> t = Build({0, 0, 10, 0}, TZone::LINE, 1);
    ASSERT_TRUE(t);
    std::vector<BoxRec> boxes;
    Boxes(*t, boxes);
    EXPECT_EQ(boxes, (std::vector<BoxRec>{{-1, -1, 12, 2}}));
    EXPECT_EQ(t->Collide(0, 0, 8, -0.5f, 0.5f, 0), 1);
    EXPECT_EQ(t->Collide(0, 0, -5, -0.5f, 2, 0), 0);     // wholly left
    EXPECT_EQ(t->Collide(0, 0, -3, -0.5f, 2, 0), 1);     // touching the box's edge counts
    EXPECT_EQ(t->Collide(100, 0, 8, -0.5f, 0.5f, 0), 0); // the tree moved away
}

TEST(QuadTreeTest, BentLineAtLevelTwoKeepsThreeQuarters) {
    const std::vector<float> bent{0, 0, 10, 0, 10, 10};
    core::Ref<TQuadTree> t = Build(bent, TZone::LINE, 2);
    ASSERT_TRUE(t);
    std::vector<BoxRec> boxes;
    Boxes(*t, boxes);
    EXPECT_EQ(boxes,
              (std::vector<BoxRec>{{-1, -1, 12, 12}, {-1, -1, 6, 6}, {5, -1, 6, 6}, {5, 5, 6, 6}}));
    EXPECT_EQ(t->Collide(0, 0, 1, 8, 2, 0), 0);
    EXPECT_EQ(t->Collide(0, 0, 1, -0.5f, 1, 0), 1);
    EXPECT_EQ(Build(bent, TZone::LINE, 1)->Collide(0, 0, 1, 8, 2, 0), 1);
    // A LOOP over the same vertices has the closing edge through the
    // bottom-left quarter.
    EXPECT_EQ(Build(bent, TZone::LOOP, 2)->Collide(0, 0, 1, 8, 2, 0), 1);
}

TEST(QuadTreeTest, FilledSquareCollapsesToOneLeafAtAnyLevel) {
    const std::vector<float> square{0, 0, 100, 0, 100, 100, 0, 100};
    for (int level : {1, 3, 6}) {
        core::Ref<TQuadTree> t = Build(square, TZone::FILL, level);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->NodeCount(), 1) << level;
        EXPECT_EQ(t->Collide(0, 0, 40, 40, 5, 0), 1);
        EXPECT_EQ(t->Collide(0, 0, -0.9f, -0.9f, 0.1f, 0), 1);
    }
    // The outline alone keeps the middle free.
    core::Ref<TQuadTree> loop = Build(square, TZone::LOOP, 4);
    EXPECT_GT(loop->NodeCount(), 1);
    EXPECT_EQ(loop->Collide(0, 0, 45, 45, 10, 1), 0);
}

TEST(QuadTreeTest, HoleAnswersItsMissResultOutsideAndIsFreeInside) {
    core::Ref<TQuadTree> t = Build({0, 0, 100, 0, 100, 100, 0, 100}, TZone::HOLE, 4);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->Collide(0, 0, 200, 200, 5, 3), 3);
    EXPECT_EQ(t->Collide(0, 0, 45, 45, 10, 3), 0);
    EXPECT_EQ(t->Collide(0, 0, 98, 45, 10, 3), 1); // across the right edge
}

TEST(QuadTreeTest, UnknownStylesCoverNothing) {
    EXPECT_FALSE(Build({0, 0, 10, 0, 10, 10}, 7, 3));
    EXPECT_FALSE(Build({0, 0, 10, 0, 10, 10}, -1, 3));
}

TEST(QuadTreeTest, HugeLevelsStopAtTheMaximumDepth) {
    core::Ref<TQuadTree> t = Build({0, 0, 10, 0}, TZone::LINE, 1000000);
    ASSERT_TRUE(t);
    EXPECT_EQ(Depth(*t), TQuadTree::MAX_LEVEL);
}

TEST(QuadTreeTest, WriteThenReadGivesTheSameBoxesInOrder) {
    core::Ref<TQuadTree> t = Build({0, 0, 10, 0, 10, 10, 3, 7}, TZone::LOOP, 4);
    ByteStream s;
    t->Write(&s);
    EXPECT_EQ(s.bytes.size(), 20u * t->NodeCount());
    s.Seek(0);
    core::Ref<TQuadTree> back = TQuadTree::Read(&s);
    ASSERT_TRUE(back);
    std::vector<BoxRec> a, b;
    Boxes(*t, a);
    Boxes(*back, b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(s.pos, s.Size());
}

TEST(QuadTreeTest, SingleLeafIsFourFloatsAndAZeroCount) {
    core::Ref<TQuadTree> t = Build({0, 0, 10, 0}, TZone::LINE, 1);
    ByteStream s;
    t->Write(&s);
    ByteStream expect;
    for (float f : {-1.0f, -1.0f, 12.0f, 2.0f}) expect.PutFloat(f);
    expect.PutInt(0);
    EXPECT_EQ(s.bytes, expect.bytes);
}

namespace {

void PutNode(ByteStream& s, int children) {
    for (int k = 0; k < 4; ++k) s.PutFloat(static_cast<float>(k));
    s.PutInt(children);
}

core::Ref<TQuadTree> ReadAll(ByteStream& s) {
    s.Seek(0);
    return TQuadTree::Read(&s);
}

} // namespace

TEST(QuadTreeTest, ReadRejectsTreesTheBytesCannotHold) {
    ByteStream negative;
    PutNode(negative, -7); // a count of 0 or less is a leaf
    core::Ref<TQuadTree> leaf = ReadAll(negative);
    ASSERT_TRUE(leaf);
    EXPECT_EQ(leaf->NodeCount(), 1);

    ByteStream truncated;
    PutNode(truncated, 2);
    PutNode(truncated, 0);
    truncated.bytes.resize(truncated.bytes.size() + 19); // the second child is cut short
    EXPECT_FALSE(ReadAll(truncated));

    ByteStream huge;
    PutNode(huge, 2000000000);
    EXPECT_FALSE(ReadAll(huge));

    ByteStream wide;
    PutNode(wide, 5);
    for (int k = 0; k < 5; ++k) PutNode(wide, 0);
    EXPECT_FALSE(ReadAll(wide));

    // A chain of single children deeper than any real tree.
    ByteStream deep;
    for (int k = 0; k < TQuadTree::MAX_READ_DEPTH; ++k) PutNode(deep, 1);
    PutNode(deep, 0);
    EXPECT_FALSE(ReadAll(deep));
    // Cut to the deepest tree accepted: the 64th node becomes a leaf.
    deep.bytes.resize(20 * TQuadTree::MAX_READ_DEPTH);
    deep.Seek(20 * TQuadTree::MAX_READ_DEPTH - 4);
    deep.PutInt(0);
    deep.Seek(0);
    core::Ref<TQuadTree> chain = TQuadTree::Read(&deep);
    ASSERT_TRUE(chain);
    EXPECT_EQ(Depth(*chain), TQuadTree::MAX_READ_DEPTH);
}

namespace {

// The same boxes as `t`, made by hand: no packed copy, so Collide walks
// the nodes.
core::Ref<TQuadTree> HandMade(const TQuadTree& t) {
    core::Ref<TQuadTree> copy = core::Make<TQuadTree>();
    copy->posX = t.posX;
    copy->posY = t.posY;
    copy->sizeX = t.sizeX;
    copy->sizeY = t.sizeY;
    for (TQuadTree* c : t.childList->Each<TQuadTree>()) copy->childList->AddLast(HandMade(*c));
    return copy;
}

} // namespace

// Create and Read keep a packed copy of the boxes for Collide; its answers
// must be the node walk's, for squares that miss, graze and cover the tree,
// and CollideBox must never say clear where the square around its box hits.
TEST(QuadTreeTest, PackedWalkAnswersAsTheNodeWalk) {
    const std::vector<float> zigzag = {0, 0, 30, 50, -10, 100, 40, 170, 0, 240};
    const std::vector<float> star = {0, -60, 15, -15, 60, 0, 15, 15, 0, 60, -15, 15, -60, 0, -15, -15};
    for (const auto& [area, style] : {std::pair{zigzag, TZone::LINE}, std::pair{star, TZone::FILL},
                                      std::pair{star, TZone::HOLE}}) {
        core::Ref<TQuadTree> packed = Build(area, style, 6);
        ASSERT_TRUE(packed);
        ByteStream bytes;
        packed->Write(&bytes);
        bytes.Seek(0);
        core::Ref<TQuadTree> read = TQuadTree::Read(&bytes);
        ASSERT_TRUE(read);
        core::Ref<TQuadTree> walked = HandMade(*packed);
        int hits = 0, misses = 0;
        for (float y = -90; y <= 260; y += 3.7f) {
            for (float x = -90; x <= 90; x += 3.1f) {
                for (float side : {0.5f, 4.0f, 40.0f}) {
                    const int want = walked->Collide(5, -3, x, y, side, 7);
                    ASSERT_EQ(packed->Collide(5, -3, x, y, side, 7), want) << x << ", " << y;
                    ASSERT_EQ(read->Collide(5, -3, x, y, side, 7), want) << x << ", " << y;
                    (want == 1 ? hits : misses) += 1;
                    // A box inside the square touches no covered box either
                    // (though it may miss the root, and answer the miss).
                    if (want == 0) {
                        ASSERT_NE(packed->CollideBox(5, -3, x, y + side / 2, x + side, y + side, 7),
                                  1);
                    }
                }
            }
        }
        EXPECT_GT(hits, 100);
        EXPECT_GT(misses, 100);
    }
}
