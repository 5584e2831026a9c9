// The testbed driven headless, as its buttons and mouse would drive it: the
// headless GUI back end with the recording drawing back end.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "graphics/draw2d.h"
#include "gui/gui.h"
#include "physics/tangle.h"
#include "samples/scene_table.h"
#include "samples/testbed.h"

using namespace samples;
using kel::tangle::TMass;
using kel::tangle::TPhysics;

namespace {

const bool headlessChosen = gui::UseHeadlessDriver();

TMass* FirstMass() { return *kel::tangle::massList->Each<TMass>().begin(); }

class TestbedTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(headlessChosen || gui::HeadlessDriverInUse()); }
    void Open(const char* scene) {
        const int index = FindScene(scene);
        ASSERT_GE(index, 0) << scene;
        testbed = core::Make<Testbed>(index);
    }
    void Press(Testbed::ButtonId b) { testbed->Button(b)->ReportAction(); }
    draw2d::TRecordingDriver* Recorder() {
        return dynamic_cast<draw2d::TRecordingDriver*>(draw2d::GetGraphicsDriver());
    }
    // Canvas pixel of a world point, through the view of the last frame.
    int ScreenX(const TMass* m) {
        return static_cast<int>(std::lround(TPhysics::ScreenX(m->posX, m->posY)));
    }
    int ScreenY(const TMass* m) {
        return static_cast<int>(std::lround(TPhysics::ScreenY(m->posX, m->posY)));
    }

    core::Ref<Testbed> testbed;
};

TEST_F(TestbedTest, ButtonsWalkTheTableBothWaysAndWrap) {
    Open("pile");
    const int count = static_cast<int>(Scenes().size());
    Press(Testbed::kPrevious);
    EXPECT_EQ(testbed->SceneIndex(), count - 1);
    EXPECT_EQ(testbed->Label(Testbed::kTitle)->GetText(), Scenes()[count - 1].title);
    Press(Testbed::kNext);
    Press(Testbed::kNext);
    EXPECT_EQ(testbed->SceneIndex(), 1);
    EXPECT_EQ(testbed->Label(Testbed::kTitle)->GetText(), "Jelly");
}

TEST_F(TestbedTest, PauseHoldsTheWorldAndOneStepTakesExactlyOne) {
    Open("bridge");
    testbed->Tick();
    testbed->Tick();
    EXPECT_EQ(testbed->Steps(), 2);
    Press(Testbed::kPause);
    ASSERT_TRUE(testbed->Paused());
    EXPECT_EQ(testbed->Button(Testbed::kPause)->GetText(), "Run");
    const float y = FirstMass()->posY;
    for (int k = 0; k < 5; ++k) testbed->Tick();
    EXPECT_EQ(testbed->Steps(), 2);
    EXPECT_EQ(FirstMass()->posY, y);
    Press(Testbed::kStepOnce);
    EXPECT_EQ(testbed->Steps(), 3);
    EXPECT_TRUE(testbed->Paused());
    Press(Testbed::kPause);
    testbed->Tick();
    EXPECT_EQ(testbed->Steps(), 4);
}

TEST_F(TestbedTest, RestartBuildsTheSceneAfresh) {
    Open("zones"); // rain adds masses as it steps
    const int start = testbed->LastFigures().masses;
    for (int k = 0; k < 40; ++k) testbed->Tick();
    ASSERT_GT(testbed->LastFigures().masses, start);
    Press(Testbed::kRestart);
    EXPECT_EQ(testbed->Steps(), 0);
    EXPECT_EQ(testbed->LastFigures().masses, start);
    EXPECT_EQ(testbed->Label(Testbed::kMasses)->GetText(), "masses " + std::to_string(start));
}

TEST_F(TestbedTest, LabelsShowTheLastStep) {
    Open("events");
    for (int k = 0; k < 120; ++k) testbed->Tick();
    const Figures& f = testbed->LastFigures();
    EXPECT_GT(f.events, 0);
    EXPECT_EQ(f.events, kel::tangle::TColEvent::QueueCount());
    EXPECT_EQ(testbed->Label(Testbed::kEvents)->GetText(), "events " + std::to_string(f.events));
    EXPECT_EQ(testbed->Label(Testbed::kConstraints)->GetText(),
              "constraints " + std::to_string(f.constraints));
}

TEST_F(TestbedTest, PileButtonsSwitchStackingAndSleepAndSayWhichIsOn) {
    Open("pile");
    ASSERT_EQ(testbed->OptionButtons().size(), 2u);
    gui::TGadget* stacking = testbed->OptionButtons()[0];
    gui::TGadget* sleep = testbed->OptionButtons()[1];
    EXPECT_EQ(stacking->GetText(), "Stacking: off");
    EXPECT_EQ(sleep->GetText(), "Sleep: off");
    EXPECT_EQ(TPhysics::GetStacking(), 0);
    stacking->ReportAction();
    EXPECT_EQ(TPhysics::GetStacking(), 1);
    EXPECT_EQ(stacking->GetText(), "Stacking: on");
    EXPECT_EQ(sleep->GetText(), "Sleep: off") << "only the pressed button changes";
    sleep->ReportAction();
    EXPECT_GT(kel::tangle::currentWorld->sleepSpeed, 0);
    EXPECT_EQ(sleep->GetText(), "Sleep: on");
    testbed->Tick();
    const Figures& f = testbed->LastFigures();
    EXPECT_EQ(f.awake, TPhysics::AwakeCount());
    EXPECT_EQ(testbed->Label(Testbed::kAwake)->GetText(), "awake " + std::to_string(f.awake));
    stacking->ReportAction();
    sleep->ReportAction();
    EXPECT_EQ(TPhysics::GetStacking(), 0);
    EXPECT_EQ(kel::tangle::currentWorld->sleepSpeed, 0);
    EXPECT_EQ(stacking->GetText(), "Stacking: off");
    EXPECT_EQ(sleep->GetText(), "Sleep: off");
}

TEST_F(TestbedTest, SceneOptionButtonsComeAndGoWithTheirScene) {
    Open("zones");
    ASSERT_EQ(testbed->OptionButtons().size(), 1u);
    gui::TGadget* trees = testbed->OptionButtons()[0];
    EXPECT_EQ(trees->GetText(), "Quadtrees: off");
    testbed->Draw();
    const std::size_t without = Recorder()->Records().size();
    trees->ReportAction();
    EXPECT_EQ(trees->GetText(), "Quadtrees: on");
    testbed->Draw();
    EXPECT_GT(Recorder()->Records().size(), without) << "the quadtrees are drawn too";
    trees->ReportAction();
    testbed->Draw();
    EXPECT_EQ(Recorder()->Records().size(), without);
    Press(Testbed::kNext);
    EXPECT_TRUE(testbed->OptionButtons().empty());
    EXPECT_TRUE(trees->Freed());
}

// The shapes scene's buttons take the skins and the shape matching out of
// the world and put them back. Without skins the rain gets into the bodies,
// and back on they push it out again; without shape matching the stars and
// letters lose their form. The scene's check sees both.
TEST_F(TestbedTest, ShapesButtonsLetTheRainInAndTheFormsGo) {
    constexpr int kBodies = 8, kShapes = 4; // two stars and two letters among them
    Open("shapes");
    ASSERT_EQ(testbed->OptionButtons().size(), 2u);
    gui::TGadget* skins = testbed->OptionButtons()[0];
    gui::TGadget* shapes = testbed->OptionButtons()[1];
    EXPECT_EQ(skins->GetText(), "Skins: on");
    EXPECT_EQ(shapes->GetText(), "Shape matching: on");
    const Scene& scene = testbed->CurrentScene();
    for (int k = 0; k < 400; ++k) testbed->Tick();
    ASSERT_EQ(scene.Check(), "");
    const int constraints = testbed->LastFigures().constraints;

    skins->ReportAction();
    EXPECT_EQ(skins->GetText(), "Skins: off");
    testbed->Tick();
    EXPECT_EQ(testbed->LastFigures().constraints, constraints - kBodies);
    for (int k = 0; k < 300; ++k) testbed->Tick();
    skins->ReportAction();
    EXPECT_NE(scene.Check().find("inside the skin"), std::string::npos) << "the rain got in";
    for (int k = 0; k < 10; ++k) testbed->Tick();
    EXPECT_EQ(scene.Check(), "") << "the skins pushed the rain out";

    shapes->ReportAction();
    EXPECT_EQ(shapes->GetText(), "Shape matching: off");
    testbed->Tick();
    EXPECT_EQ(testbed->LastFigures().constraints, constraints - kShapes);
    for (int k = 0; k < 300; ++k) testbed->Tick();
    shapes->ReportAction();
    EXPECT_NE(scene.Check().find("out of its own shape"), std::string::npos);
}

// The press takes the mass nearest the pointer; while held it follows the
// pointer through the view and cannot be pulled back; let go, it falls.
TEST_F(TestbedTest, DragHoldsTheNearestMassAtThePointer) {
    Open("bridge");
    testbed->Tick();
    core::Ref<TMass> link = nullptr;
    for (TMass* m : kel::tangle::massList->Each<TMass>())
        if (!m->IsFrozen()) {
            link = m;
            break;
        }
    ASSERT_TRUE(link);
    gui::TGadget* canvas = testbed->Canvas();
    const int sx = ScreenX(link), sy = ScreenY(link);
    canvas->ReportMouseMove(sx + 3, sy + 2); // near, not on it
    canvas->ReportMouseDown(1, sx + 3, sy + 2);
    ASSERT_EQ(testbed->Drag().Held(), link.Get());
    canvas->ReportMouseMove(sx + 40, sy - 60);
    for (int k = 0; k < 30; ++k) testbed->Tick();
    const float wx = TPhysics::SimX(sx + 40.0f, sy - 60.0f),
                wy = TPhysics::SimY(sx + 40.0f, sy - 60.0f);
    EXPECT_NEAR(link->posX, wx, 0.01f);
    EXPECT_NEAR(link->posY, wy, 0.01f);
    canvas->ReportMouseUp(1, sx + 40, sy - 60);
    EXPECT_EQ(testbed->Drag().Held(), nullptr);
    EXPECT_FALSE(link->IsFrozen());
    for (int k = 0; k < 30; ++k) testbed->Tick();
    EXPECT_GT(link->posY, wy + 1) << "let go, the link falls back";
}

TEST_F(TestbedTest, PressFarFromEveryMassHoldsNothing) {
    Open("bridge");
    testbed->Tick();
    gui::TGadget* canvas = testbed->Canvas();
    canvas->ReportMouseDown(1, 5, canvas->height - 5); // the cliff's foot
    EXPECT_EQ(testbed->Drag().Held(), nullptr);
    canvas->ReportMouseUp(1, 5, canvas->height - 5);
}

// The view scene turns and zooms its view; a drag lands where the pointer
// points all the same.
TEST_F(TestbedTest, DragFollowsThePointerThroughATurnedView) {
    Open("view");
    for (int k = 0; k < 150; ++k) testbed->Tick();
    ASSERT_NE(kel::tangle::TWorldView::Current().drawRot, 0.0f);
    TMass* centre = FirstMass();
    gui::TGadget* canvas = testbed->Canvas();
    const int sx = ScreenX(centre), sy = ScreenY(centre);
    canvas->ReportMouseDown(1, sx, sy);
    ASSERT_EQ(testbed->Drag().Held(), centre);
    canvas->ReportMouseMove(sx + 30, sy - 30);
    // The world point under the pointer in the view it was drawn with.
    const float wx = TPhysics::SimX(sx + 30.0f, sy - 30.0f),
                wy = TPhysics::SimY(sx + 30.0f, sy - 30.0f);
    ASSERT_GT(std::hypot(wx - centre->posX, wy - centre->posY), 20);
    testbed->Tick();
    EXPECT_NEAR(centre->posX, wx, 0.01f);
    EXPECT_NEAR(centre->posY, wy, 0.01f);
    canvas->ReportMouseUp(1, sx + 30, sy - 30);
}

// The event hook must not keep the testbed alive: dropped, it closes its
// window and leaves the chain, so later events reach nothing of it.
TEST_F(TestbedTest, ADroppedTestbedClosesItsWindowAndLeavesTheHookChain) {
    Open("events"); // a scene with a hook of its own, too
    core::Ref<gui::TGadget> window = testbed->Window();
    core::Ref<gui::TGadget> next = testbed->Button(Testbed::kNext);
    testbed = nullptr;
    EXPECT_TRUE(window->Freed());
    next->ReportAction(); // would reach a freed testbed
    TPhysics::Update();   // would run the freed scene's collision hook
}

TEST_F(TestbedTest, CloseRequestIsReported) {
    Open("jelly");
    EXPECT_FALSE(testbed->CloseRequested());
    testbed->Window()->ReportClose();
    EXPECT_TRUE(testbed->CloseRequested());
}

} // namespace
