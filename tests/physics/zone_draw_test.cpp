#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "drawing.h"
#include "graphics/draw2d.h"
#include "scene.h"

namespace {

using namespace kel::tangle;
using draw2d::DrawKind;
using scene::PhysicsTest;
using scene::RecordingSurface;
using scene::SurfaceState;
using ::testing::ElementsAreArray;
using ::testing::FloatNear;
using ::testing::Pointwise;

// The view maps world to screen one to one.
class ZoneDraw : public PhysicsTest {
  protected:
    RecordingSurface surface{800, 600};
    void SetUp() override {
        PhysicsTest::SetUp();
        TPhysics::Create(1000, 1000, 0, 0, 1);
    }
    std::vector<draw2d::TDrawRecord> Drawn(DrawKind kind) const {
        return surface.driver->RecordsOf(kind);
    }
    // Every line drawn, as x1, y1, x2, y2 in order.
    std::vector<float> Lines() const {
        std::vector<float> xy;
        for (const auto& r : Drawn(DrawKind::Line))
            xy.insert(xy.end(), r.points.begin(), r.points.end());
        return xy;
    }
};

const std::vector<float> kTriangle{0, 0, 10, 0, 10, 10};

TEST_F(ZoneDraw, OutlineStylesDrawTheirEdgesAtTheOffset) {
    core::Ref<TZone> z = TZone::Create(kTriangle, TZone::LINE, 0, 1, 2);
    z->Position(100, 50);
    z->Draw();
    EXPECT_THAT(Lines(), Pointwise(FloatNear(1e-4), {100, 50, 110, 50, 110, 50, 110, 60}));
    for (int closed : {TZone::LOOP, TZone::HOLE}) {
        surface.driver->Clear();
        z->SetStyle(closed);
        z->Draw();
        EXPECT_THAT(Lines(), Pointwise(FloatNear(1e-4),
                                       {100, 50, 110, 50, 110, 50, 110, 60, 110, 60, 100, 50}));
    }
    surface.driver->Clear();
    z->SetStyle(9);
    z->Draw();
    EXPECT_TRUE(surface.driver->Records().empty());
}

TEST_F(ZoneDraw, FillDrawsOnePolygonWithTheZonesColourAndRestoresTheState) {
    core::Ref<TZone> z = TZone::Create(kTriangle, TZone::FILL, 0, 1, 2);
    z->Position(100, 50);
    z->SetColor(255, 128, 0);
    z->SetAlpha(0.5f);
    z->SetBlend(draw2d::BLEND_ALPHA);
    draw2d::SetColor(200, 100, 50);
    draw2d::SetAlpha(0.5f);
    draw2d::SetRotation(33);
    draw2d::SetScale(3, 3);
    const SurfaceState before = SurfaceState::Read();
    z->Draw();
    EXPECT_EQ(SurfaceState::Read(), before);
    ASSERT_EQ(surface.driver->Records().size(), 1u);
    const auto& r = surface.Last();
    EXPECT_EQ(r.kind, DrawKind::Poly);
    EXPECT_THAT(r.points, Pointwise(FloatNear(1e-3), {100, 50, 110, 50, 110, 60}));
    EXPECT_EQ(r.red, 200);
    EXPECT_EQ(r.green, 50); // 100 x 128/255, truncated
    EXPECT_EQ(r.blue, 0);
    EXPECT_FLOAT_EQ(r.alpha, 0.25f);
    EXPECT_EQ(r.blend, draw2d::BLEND_ALPHA);
    EXPECT_EQ(r.rotation, 0);
}

TEST_F(ZoneDraw, AnImageReplacesTheShapeTurnedAndScaledWithTheZone) {
    core::Ref<TZone> z = TZone::Create(kTriangle, TZone::FILL, 0, 1, 2);
    core::Ref<draw2d::TImage> img = draw2d::TImage::Create(8, 8, 1, 0, 0, 0, 0);
    z->ImageSet(img);
    z->Position(300, 200);
    z->Rotate(30);
    z->SetScale(2, 3);
    z->ImageSetScale(0.5f, 2);
    const SurfaceState before = SurfaceState::Read();
    z->Draw();
    EXPECT_EQ(SurfaceState::Read(), before);
    ASSERT_EQ(surface.driver->Records().size(), 1u);
    const auto& r = surface.Last();
    EXPECT_EQ(r.kind, DrawKind::Image);
    EXPECT_EQ(r.image.Get(), img.Get());
    EXPECT_EQ(r.frame, 0);
    EXPECT_FLOAT_EQ(r.rotation, 30);
    EXPECT_FLOAT_EQ(r.scaleX, 1);
    EXPECT_FLOAT_EQ(r.scaleY, 6);
}

TEST_F(ZoneDraw, QuadTreeDrawsItsLeavesFilledOrCrossed) {
    // Three leaf quarters of 6 x 6 under the root (-1, -1, 12, 12).
    core::Ref<TZone> z = TZone::Create(kTriangle, TZone::LINE, 0, 1, 2);
    z->Position(100, 50);
    z->DrawQuadTree(1);
    const auto rects = Drawn(DrawKind::Rect);
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_THAT(rects[1].points, Pointwise(FloatNear(1e-4), {105, 49, 111, 49, 111, 55, 105, 55}));

    surface.driver->Clear();
    z->DrawQuadTree(0);
    const std::vector<float> lines = Lines();
    ASSERT_EQ(lines.size(), 3u * 6 * 4);
    // The first leaf (99, 49)-(105, 55): four sides clockwise, then the cross.
    EXPECT_THAT(std::vector<float>(lines.begin(), lines.begin() + 24),
                Pointwise(FloatNear(1e-4), {99, 49, 105, 49, 105, 49, 105, 55, 105, 55, 99,  55,
                                            99, 55, 99,  49, 99,  49, 105, 55, 99,  55, 105, 49}));
}

TEST_F(ZoneDraw, NothingIsDrawnWithoutGraphics) {
    core::Ref<TZone> z = TZone::Create(kTriangle, TZone::LOOP, 0, 1, 2);
    draw2d::SetGraphics(nullptr);
    EXPECT_EQ(z->Draw(), 0);
    EXPECT_EQ(z->DrawQuadTree(0), 0);
}

} // namespace
