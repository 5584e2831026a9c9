// What the scenes put on the canvas, read back from the recording drawing
// back end: the world's bounds, colours that read on the background, and
// what must stay in view.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/draw2d.h"
#include "gui/gui.h"
#include "physics/tangle.h"
#include "samples/palette.h"
#include "samples/sample_files.h"
#include "samples/scene_table.h"
#include "samples/testbed.h"

using namespace samples;
using draw2d::DrawKind;
using draw2d::TDrawRecord;
using kel::tangle::TMass;
using kel::tangle::TPhysics;

namespace {

const bool headlessChosen = gui::UseHeadlessDriver();

// The one scene whose view shows only part of its world.
constexpr const char* kPartialView = "view";

struct Point {
    float x, y;
};

bool HasColour(const TDrawRecord& r, const Colour& c) {
    return r.red == c.r && r.green == c.g && r.blue == c.b;
}

// Perceived brightness, 0 ... 255.
float Luma(int r, int g, int b) { return 0.299f * r + 0.587f * g + 0.114f * b; }

class SceneDrawingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(headlessChosen || gui::HeadlessDriverInUse());
        SetSampleFolder(QUORVEL_SAMPLE_MEDIA_DIR);
    }
    void Open(const std::string& scene) {
        const int index = FindScene(scene);
        ASSERT_GE(index, 0) << scene;
        testbed = core::Make<Testbed>(index);
    }
    void Ticks(int n) {
        for (int k = 0; k < n; ++k) testbed->Tick();
    }
    const std::vector<TDrawRecord>& Frame() {
        testbed->Draw();
        return dynamic_cast<draw2d::TRecordingDriver*>(draw2d::GetGraphicsDriver())->Records();
    }
    Point Screen(float x, float y) { return {TPhysics::ScreenX(x, y), TPhysics::ScreenY(x, y)}; }
    // How far a screen point is inside the canvas (negative: outside).
    float Inside(Point p) {
        const float w = static_cast<float>(testbed->Canvas()->width);
        const float h = static_cast<float>(testbed->Canvas()->height);
        return std::min({p.x, p.y, w - p.x, h - p.y});
    }

    core::Ref<Testbed> testbed;
};

// Every scene outlines its world: four lines in the bounds' colour from
// corner to corner, through the frame's view. Where the view shows the whole
// world, the outline stands inside the canvas, not on its edge.
TEST_F(SceneDrawingTest, EverySceneOutlinesItsWorldsBoundsInSight) {
    for (const SceneEntry& scene : Scenes()) {
        SCOPED_TRACE(scene.name);
        Open(scene.name);
        Ticks(2);
        std::vector<TDrawRecord> outline;
        for (const TDrawRecord& r : Frame())
            if (r.kind == DrawKind::Line && HasColour(r, palette::kBounds)) outline.push_back(r);
        ASSERT_EQ(outline.size(), 4u);
        float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        TPhysics::GetBounds(x0, y0, x1, y1);
        const Point corners[] = {Screen(x0, y0), Screen(x1, y0), Screen(x1, y1), Screen(x0, y1)};
        for (int k = 0; k < 4; ++k) {
            const auto& p = outline[static_cast<std::size_t>(k)].points;
            const Point& from = corners[k];
            const Point& to = corners[(k + 1) % 4];
            EXPECT_NEAR(p[0], from.x, 0.01f) << "side " << k;
            EXPECT_NEAR(p[1], from.y, 0.01f) << "side " << k;
            EXPECT_NEAR(p[2], to.x, 0.01f) << "side " << k;
            EXPECT_NEAR(p[3], to.y, 0.01f) << "side " << k;
            EXPECT_EQ(outline[static_cast<std::size_t>(k)].lineWidth, 1) << "a thin outline";
            if (scene.name != std::string(kPartialView)) {
                EXPECT_GE(Inside(from), 4) << "corner " << k << " at the canvas's edge or past it";
            }
        }
    }
}

// Everything a scene draws in its first seconds, zones and pictures
// included, stands out from the background: a zone or picture drawn under a
// dark tint all but vanishes.
TEST_F(SceneDrawingTest, EverythingDrawnReadsOnTheBackground) {
    constexpr float kLeastLumaStep = 60;
    const float background =
        Luma(palette::kBackground.r, palette::kBackground.g, palette::kBackground.b);
    for (const SceneEntry& scene : Scenes()) {
        SCOPED_TRACE(scene.name);
        Open(scene.name);
        Ticks(120);
        int checked = 0, images = 0;
        for (const TDrawRecord& r : Frame()) {
            if (r.kind == DrawKind::Cls || r.kind == DrawKind::Flip) continue;
            ++checked;
            images += r.kind == DrawKind::Image;
            EXPECT_GE(Luma(r.red, r.green, r.blue) - background, kLeastLumaStep)
                << "a drawing of kind " << static_cast<int>(r.kind) << " in " << r.red << ", "
                << r.green << ", " << r.blue;
        }
        EXPECT_GT(checked, 4);
        if (scene.name == std::string("bodies")) {
            EXPECT_EQ(images, 7) << "the crate and six copies";
        }
    }
}

// The hand that pulls the cloth takes its corner somewhere in the middle of
// the view and holds it there, not off into a corner of the world.
TEST_F(SceneDrawingTest, TheClothsHandHoldsItsCornerWellInView) {
    Open("cloth");
    Ticks(900);
    Frame();
    const TMass* corner = nullptr; // the lowest frozen mass: the top row hangs above it
    for (TMass* m : kel::tangle::massList->Each<TMass>())
        if (m->IsFrozen() && (!corner || m->posY > corner->posY)) corner = m;
    ASSERT_NE(corner, nullptr);
    ASSERT_GT(corner->posY, 200) << "the hand never took the corner";
    const float canvas =
        static_cast<float>(std::min(testbed->Canvas()->width, testbed->Canvas()->height));
    EXPECT_GE(Inside(Screen(corner->posX, corner->posY)), canvas / 10)
        << "the corner at " << corner->posX << ", " << corner->posY;
    EXPECT_EQ(testbed->CurrentScene().Check(), "") << "the cloth tore on the way";
}

// The zones and their quadtrees keep clear of the canvas's edges.
TEST_F(SceneDrawingTest, ZonesAndTheirQuadtreesStayClearOfTheCanvasEdges) {
    constexpr float kClearance = 16; // pixels
    Open("zones");
    ASSERT_EQ(testbed->OptionButtons().size(), 1u);
    testbed->OptionButtons()[0]->ReportAction();
    int trees = 0;
    for (const TDrawRecord& r : Frame()) {
        const bool tree = HasColour(r, palette::kQuadTree);
        const bool zone = r.kind == DrawKind::Poly || r.kind == DrawKind::Line;
        if (!tree && !(zone && !HasColour(r, palette::kBounds))) continue;
        trees += tree;
        for (std::size_t k = 0; k + 1 < r.points.size(); k += 2)
            ASSERT_GE(Inside({r.points[k], r.points[k + 1]}), kClearance)
                << (tree ? "a quadtree" : "a zone") << " at " << r.points[k] << ", "
                << r.points[k + 1];
    }
    EXPECT_GT(trees, 100) << "the quadtrees were drawn";
}

} // namespace
