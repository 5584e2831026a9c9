#include <cmath>

#include <gtest/gtest.h>

#include "drawing.h"
#include "scene.h"

using namespace scene;

namespace {

class Rig : public PhysicsTest {
  protected:
    RecordingSurface surface{800, 600};
    core::Ref<draw2d::TImage> image = draw2d::TImage::Create(8, 8, 1, 0, 0, 0, 0);
    core::Ref<TMass> a = TMass::Create(100, 100, 1, 1, 0, 0);
    core::Ref<TMass> b = TMass::Create(100 + 10 * std::cos(30 * 3.14159265f / 180),
                                       100 + 10 * std::sin(30 * 3.14159265f / 180), 1, 1, 0, 0);
    core::Ref<TConstraint> con = TConstraint::Create(a, b, 0, 1);
    void SetUp() override {
        PhysicsTest::SetUp();
        TPhysics::Create(1000, 1000, 0, 0, 1);
    }
};

TEST_F(Rig, CreateGivesTheDefaultsAndConstructionNothing) {
    core::Ref<TRig> r = TRig::Create(image, a, nullptr, 5);
    EXPECT_EQ(r->GetName(), "Rig");
    int red, green, blue;
    r->GetColor(red, green, blue);
    EXPECT_EQ(red + green + blue, 3 * 255);
    float sx, sy;
    r->GetScale(sx, sy);
    EXPECT_EQ(sx * sy, 1.0f);
    EXPECT_EQ(r->GetAlpha(), 1.0f);
    EXPECT_EQ(r->GetBlend(), 1);
    auto bare = core::Make<TRig>();
    EXPECT_EQ(bare->GetName(), "");
    EXPECT_FALSE(bare->GetImage() || bare->GetMass() || bare->GetConstraint());
    bare->Draw(); // nothing to draw, and no crash
    EXPECT_TRUE(surface.driver->Records().empty());
}

TEST_F(Rig, ColourAndAlphaAreClampedAndEveryByteReadsBack) {
    core::Ref<TRig> r = TRig::Create(image, a, nullptr, 0);
    r->SetAlpha(1.5f);
    EXPECT_EQ(r->GetAlpha(), 1.0f);
    for (int v = 0; v < 256; ++v) {
        r->SetColor(v, 255 - v, v);
        int red, green, blue;
        r->GetColor(red, green, blue);
        ASSERT_EQ(red, v);
        ASSERT_EQ(green, 255 - v);
    }
}

TEST_F(Rig, DrawTurnsWithTheConstraintAndTintsTheCallersState) {
    core::Ref<TRig> r = TRig::Create(image, b, con, 90);
    r->red = 0.5f;
    r->SetAlpha(0.5f);
    r->SetScale(2, 2);
    r->SetBlend(draw2d::BLEND_ADD);
    TPhysics::SetDrawZoom(1.5f);
    TPhysics::SetDrawRotation(10);
    draw2d::SetColor(200, 100, 50);
    draw2d::SetAlpha(0.5f);
    draw2d::SetScale(3, 3);
    draw2d::SetRotation(7);
    const SurfaceState before = SurfaceState::Read();
    r->Draw();
    EXPECT_EQ(SurfaceState::Read(), before);
    const auto& drawn = surface.Last();
    ASSERT_EQ(drawn.kind, draw2d::DrawKind::Image);
    EXPECT_NEAR(drawn.rotation, 130, 1e-3);
    EXPECT_EQ(drawn.red, 100);
    EXPECT_EQ(drawn.green, 100);
    EXPECT_EQ(drawn.blue, 50);
    EXPECT_FLOAT_EQ(drawn.alpha, 0.25f);
    EXPECT_FLOAT_EQ(drawn.scaleX, 3.0f);
    EXPECT_EQ(drawn.blend, draw2d::BLEND_ADD);

    b->Position(100, 110); // the constraint now points along +y
    TPhysics::SetDrawRotation(0);
    r->Draw();
    EXPECT_NEAR(surface.Last().rotation, 180, 1e-3);
}

} // namespace
