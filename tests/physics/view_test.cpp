#include <cmath>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "drawing.h"
#include "graphics/draw2d.h"
#include "scene.h"

namespace {

using namespace kel::tangle;
using scene::PhysicsTest;
using scene::RecordingSurface;
using scene::SurfaceState;
using ::testing::FloatNear;
using ::testing::Pointwise;

class View : public PhysicsTest {
  protected:
    RecordingSurface surface{800, 600};
    void SetUp() override {
        PhysicsTest::SetUp();
        TPhysics::Create(1000, 2000, 0.1f, 0, 4);
    }
};

TEST_F(View, ConstructionCentresOnTheGraphicsWithTheIdentityMatrix) {
    TPhysics* w = currentWorld;
    EXPECT_EQ(w->centerX, 400.0f);
    EXPECT_EQ(w->centerY, 300.0f);
    EXPECT_EQ(w->drawScale, 1.0f);
    EXPECT_EQ(w->drawIX, 1.0f);
    EXPECT_TRUE(std::signbit(w->drawIY));
    EXPECT_EQ(TPhysics::ScreenX(400, 300), 400.0f);
    EXPECT_EQ(TPhysics::ScreenY(0, 0), 0.0f);
}

TEST_F(View, CentreAndZoomPlaceWorldPoints) {
    TPhysics::SetDrawCoords(1000, 500);
    TPhysics::SetDrawZoom(2);
    EXPECT_FLOAT_EQ(TPhysics::ScreenX(1000, 500), 400);
    EXPECT_FLOAT_EQ(TPhysics::ScreenY(1000, 500), 300);
    EXPECT_FLOAT_EQ(TPhysics::ScreenX(1010, 500), 420);
    EXPECT_FLOAT_EQ(TPhysics::ScreenY(1010, 500), 300);
    EXPECT_FLOAT_EQ(TPhysics::SimX(420, 300), 1010);
    EXPECT_FLOAT_EQ(TPhysics::SimY(420, 300), 500);
}

TEST_F(View, RotationTurnsClockwiseOnScreen) {
    TPhysics::SetDrawRotation(90);
    const float x0 = TPhysics::ScreenX(10, 10), y0 = TPhysics::ScreenY(10, 10);
    EXPECT_NEAR(TPhysics::ScreenX(11, 10) - x0, 0, 1e-4);
    EXPECT_NEAR(TPhysics::ScreenY(11, 10) - y0, 1, 1e-4);
    EXPECT_NEAR(TPhysics::ScreenX(10, 11) - x0, -1, 1e-4);
    EXPECT_NEAR(TPhysics::ScreenY(10, 11) - y0, 0, 1e-4);
    // The centre stays at the middle of the drawing area whatever the rotation.
    EXPECT_NEAR(TPhysics::ScreenX(400, 300), 400, 1e-3);
    EXPECT_NEAR(TPhysics::ScreenY(400, 300), 300, 1e-3);
}

TEST_F(View, SimInvertsScreenForAnyRotationAndZoom) {
    for (float rot : {-170.0f, -33.0f, 0.0f, 45.0f, 123.0f}) {
        for (float zoom : {0.25f, 1.0f, 3.5f, -2.0f}) {
            TPhysics::SetDrawRotation(rot);
            TPhysics::SetDrawZoom(zoom);
            TPhysics::SetDrawCoords(250, -75);
            const float sx = TPhysics::ScreenX(123.5f, -47.25f);
            const float sy = TPhysics::ScreenY(123.5f, -47.25f);
            EXPECT_NEAR(TPhysics::SimX(sx, sy), 123.5f, 1e-3) << rot << " " << zoom;
            EXPECT_NEAR(TPhysics::SimY(sx, sy), -47.25f, 1e-3) << rot << " " << zoom;
        }
    }
}

TEST_F(View, ZoomZeroMapsEveryScreenPointToTheViewCentre) {
    TPhysics::SetDrawCoords(70, 80);
    TPhysics::SetDrawZoom(0);
    EXPECT_EQ(TPhysics::SimX(5, 9), 70.0f);
    EXPECT_EQ(TPhysics::SimY(5, 9), 80.0f);
    EXPECT_EQ(TPhysics::MouseX(), 70.0f);
    EXPECT_EQ(TPhysics::MouseY(), 80.0f);
}

// The pointer comes from whatever window system feeds draw2d's pointer; the
// view maps it like any screen point.
TEST_F(View, MouseIsTheReportedPointerThroughTheView) {
    TPhysics::SetDrawRotation(90);
    TPhysics::SetDrawZoom(2);
    TPhysics::SetDrawCoords(10, 20);
    draw2d::SetPointerPosition(37, -5);
    EXPECT_EQ(TPhysics::MouseX(), TPhysics::SimX(37, -5));
    EXPECT_EQ(TPhysics::MouseY(), TPhysics::SimY(37, -5));
    draw2d::SetPointerPosition(400, 300);
    EXPECT_NEAR(TPhysics::ScreenX(TPhysics::MouseX(), TPhysics::MouseY()), 400, 1e-3);
    EXPECT_NEAR(TPhysics::ScreenY(TPhysics::MouseX(), TPhysics::MouseY()), 300, 1e-3);
}

TEST_F(View, WithoutAWorldTheViewIsTheIdentityAndSettersDoNothing) {
    TPhysics::Free();
    TPhysics::SetDrawZoom(3);
    EXPECT_EQ(TPhysics::ScreenX(12, 34), 12.0f);
    EXPECT_EQ(TPhysics::SimY(12, 34), 34.0f);
}

TEST_F(View, DrawImageMultipliesTheCallersScaleAndPlacesTheHandle) {
    auto image = draw2d::TImage::Create(10, 20, 1, 0, 0, 0, 0);
    draw2d::SetImageHandle(image, 5, 10);
    TPhysics::SetDrawCoords(400, 300);
    TPhysics::SetDrawZoom(2);
    draw2d::SetScale(0.5f, 0.5f);
    const SurfaceState before = SurfaceState::Read();
    TPhysics::DrawImage(image, 410, 300, 0);
    EXPECT_EQ(SurfaceState::Read(), before);
    const auto& r = surface.Last();
    ASSERT_EQ(r.kind, draw2d::DrawKind::Image);
    EXPECT_EQ(r.scaleX, 1.0f);
    EXPECT_EQ(r.scaleY, 1.0f);
    // Handle (5, 10) lands on screen (420, 300).
    EXPECT_THAT(r.points, Pointwise(FloatNear(1e-3), {415, 290, 425, 290, 425, 310, 415, 310}));
}

TEST_F(View, DrawPolyReplacesTheCallersScaleAndAddsTheOrigin) {
    TPhysics::SetDrawCoords(400, 300);
    TPhysics::SetDrawZoom(2);
    TPhysics::SetDrawRotation(90);
    draw2d::SetScale(0.5f, 0.5f);
    draw2d::SetOrigin(3, 4);
    const SurfaceState before = SurfaceState::Read();
    TPhysics::DrawPoly({0, 0, 10, 0, 0, 5}, 400, 300);
    EXPECT_EQ(SurfaceState::Read(), before);
    const auto& r = surface.Last();
    ASSERT_EQ(r.kind, draw2d::DrawKind::Poly);
    EXPECT_EQ(r.scaleX, 2.0f);
    EXPECT_EQ(r.rotation, 90.0f);
    // Vertex (10, 0) turns to +y, doubled: (403, 304) + (0, 20).
    EXPECT_THAT(r.points, Pointwise(FloatNear(1e-3), {403, 304, 403, 324, 393, 304}));
}

TEST_F(View, LinesOvalsAndRectsGoThroughTheView) {
    TPhysics::SetDrawCoords(1000, 500);
    TPhysics::SetDrawZoom(2);
    draw2d::SetRotation(10);
    const SurfaceState before = SurfaceState::Read();
    TPhysics::DrawRect(1000, 500, 5, 3);
    EXPECT_EQ(SurfaceState::Read(), before);
    EXPECT_EQ(surface.Last().kind, draw2d::DrawKind::Rect);
    EXPECT_EQ(surface.Last().rotation, 10.0f);
    EXPECT_NEAR(surface.Last().points[0], 400, 1e-3);

    TPhysics::SetDrawRotation(90);
    draw2d::SetRotation(0);
    surface.driver->Clear();
    TPhysics::DrawOval(1000, 500, 5, 3);
    const auto& oval = surface.Last();
    EXPECT_EQ(oval.rotation, 90.0f);
    // The box (10 x 6 on screen) turns about its corner at the screen centre,
    // exactly as the view turns the world box.
    const float wx[] = {1000, 1005, 1005, 1000}, wy[] = {500, 500, 503, 503};
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(oval.points[2 * k], TPhysics::ScreenX(wx[k], wy[k]), 1e-3);
        EXPECT_NEAR(oval.points[2 * k + 1], TPhysics::ScreenY(wx[k], wy[k]), 1e-3);
    }

    surface.driver->Clear();
    TPhysics::DrawLine(1000, 500, 1000, 510);
    const auto lines = surface.driver->RecordsOf(draw2d::DrawKind::Line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0].points, Pointwise(FloatNear(1e-3), {400, 300, 380, 300}));
    EXPECT_EQ(surface.driver->RecordsOf(draw2d::DrawKind::Plot).size(), 1u); // last pixel
}

TEST_F(View, MassesAndConstraintsDrawThemselves) {
    auto a = TMass::Create(100, 100, 1, 4, 0, 0);
    auto b = TMass::Create(110, 100, 1, 4, 0, 0);
    auto c = TConstraint::Create(a, b, 0, 1);
    draw2d::SetRotation(30);
    const SurfaceState before = SurfaceState::Read();
    a->Draw();
    EXPECT_EQ(SurfaceState::Read(), before);
    EXPECT_EQ(surface.Last().kind, draw2d::DrawKind::Oval);
    EXPECT_EQ(surface.Last().rotation, 0.0f);
    EXPECT_THAT(surface.Last().points,
                Pointwise(FloatNear(1e-3), {96, 96, 104, 96, 104, 104, 96, 104}));
    draw2d::SetRotation(0);
    surface.driver->Clear();
    c->Draw();
    EXPECT_THAT(surface.driver->RecordsOf(draw2d::DrawKind::Line)[0].points,
                Pointwise(FloatNear(1e-3), {100, 100, 110, 100}));
}

TEST_F(View, DrawingWithoutGraphicsDoesNothing) {
    draw2d::SetGraphics(nullptr);
    EXPECT_EQ(TPhysics::DrawLine(0, 0, 1, 1), 0);
    EXPECT_EQ(TPhysics::DrawPoly({0, 0, 1, 0, 0, 1}, 0, 0), 0);
    EXPECT_EQ(TMass::Create(1, 1, 1, 1, 0, 0)->Draw(), 0);
}

} // namespace
